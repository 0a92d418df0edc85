// r7716-cli json and import-json: the record of a test for a LIMS, out and back in, on both engines.
#include "analysis/OpenTest.h"
#include "cli/Cli.h"
#include "cli/CliOutcome.h"
#include "common/TextGrid.h"
#include "lims/TestRecordSchema.h"
#include "store/StoreFixture.h"
#include "support/QStringPrinter.h"
#include "support/StoredTestBuilder.h"
#include "testinfo/TestInfoView.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <functional>

namespace {

using Outcome = CliOutcome;

// The document without what differs between a test and its import: the name, the readings' keys.
QJsonObject withoutKeys(QJsonObject document) {
    QJsonObject test = document["test"].toObject();
    test.remove("name");
    document["test"] = test;
    for (const char* list : {"readings", "exclusions"}) {
        QJsonArray rows = document[list].toArray();
        for (QJsonValueRef row : rows) {
            QJsonObject o = row.toObject();
            o.remove("id");
            o.remove("reading_id");
            row = o;
        }
        document[list] = rows;
    }
    for (const char* differs : {"written", "history"}) document.remove(differs);
    return document;
}

// A test with additives, two fitted ramps, an excluded reading, a criterion, an edit of its information,
// and a chosen shear rate.
class JsonRecord : public EngineStore {
  protected:
    void SetUp() override {
        EngineStore::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        stored_test::store(connection, stored_test::rampsOneAndThree(kName));
        const OpenedTest test = OpenStoredTest(connection, kName, ChartDataOption::All, UnitSystem::CGS);
        MemoryGrid grid{additive_grid::kCols};
        additive_grid::setUp(grid);
        TestInfoView view(connection, messenger, grid);
        std::optional<TestInfoTexts> texts = view.load(kName, test.testId);
        ASSERT_TRUE(texts);
        texts->fluidId = QStringLiteral("Borate 40");
        ASSERT_TRUE(view.save(*texts));
        const QString key = QString::number(test.resultIds[3], 'f', 0);  // ramp 1's second point
        ASSERT_EQ(runCli({"exclude", kName, key, "--reason", "air bubble"}).status, cli::kOk);
        ASSERT_EQ(runCli({"criteria", kName, "--add", "100:40:1"}).status, cli::kOk);
        QFile rates(dir.file("rates.txt"));
        ASSERT_TRUE(rates.open(QIODevice::WriteOnly));
        rates.write("511\n");
    }
    QJsonObject record(const QString& name) {
        const Outcome json = runCli({"json", name});
        EXPECT_EQ(json.status, cli::kOk) << json.err.toStdString();
        return QJsonDocument::fromJson(json.out.toUtf8()).object();
    }

    const QString kName = QStringLiteral("Gel A");
};

TEST_P(JsonRecord, ATestFollowsTheSchemaAndComesBackThroughImportWithItsReadingsFitsAndAdditives) {
    const QString file = dir.file("gel.json");
    ASSERT_EQ(runCli({"json", kName, "--out", file}).status, cli::kOk);
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QJsonDocument document = QJsonDocument::fromJson(written.readAll());
    EXPECT_EQ(lims::SchemaFaults(document), std::vector<lims::SchemaFault>{});
    const QJsonObject original = document.object();
    EXPECT_EQ(original["readings"].toArray().size(), 12);
    EXPECT_EQ(original["additives"].toArray().size(), 2);
    EXPECT_EQ(original["exclusions"].toArray().size(), 1);
    EXPECT_EQ(original["history"].toArray().size(), 3);  // the edit, the exclusion, the criteria
    EXPECT_EQ(original["test"]["fluid"], "Borate 40");
    const QJsonArray ramps = original["ramps"].toArray();
    ASSERT_EQ(ramps.size(), 3);
    EXPECT_EQ(ramps[0]["points"], 2);  // its excluded point left out
    EXPECT_EQ(ramps[1]["power_law"]["failure"], "2 ramp points; a fit needs at least 3");
    EXPECT_NEAR(ramps[2]["power_law"]["n_prime"].toDouble(), std::log10(5.0), 1e-12);
    EXPECT_EQ(ramps[2]["herschel_bulkley"]["viscosities"].toArray().size(), 4);  // 40, 100, 170, 511
    EXPECT_EQ(original["criteria"][0]["outcome"]["status"], "held");

    const Outcome imported = runCli({"import-json", file, "--name", "Gel A (lab 2)"});
    ASSERT_EQ(imported.status, cli::kOk) << imported.err.toStdString();
    EXPECT_EQ(imported.out,
              "stored test \"Gel A (lab 2)\": 12 readings, 2 additives, 1 excluded readings, 1 criteria\n");
    const QJsonObject copy = record("Gel A (lab 2)");
    EXPECT_EQ(withoutKeys(copy), withoutKeys(original));
    const QJsonArray history = copy["history"].toArray();
    ASSERT_EQ(history.size(), 4);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(history[i], original["history"][i]);
    EXPECT_EQ(history[3]["what"], "imported from a test record");
    EXPECT_TRUE(history[3]["old_value"].toString().contains("test \"Gel A\" of station"));
    EXPECT_EQ(OpenStoredTest(connection, "Gel A (lab 2)", ChartDataOption::All, UnitSystem::CGS).readings,
              OpenStoredTest(connection, kName, ChartDataOption::All, UnitSystem::CGS).readings);
}

TEST_P(JsonRecord, AnImportThatCannotBeStoredIsRefusedWithItsReasonAndStoresNothing) {
    const QByteArray good = runCli({"json", kName}).out.toUtf8();
    const auto edited = [&good](const std::function<void(QJsonObject&)>& edit) {
        QJsonObject document = QJsonDocument::fromJson(good).object();
        edit(document);
        return QJsonDocument(document).toJson();
    };
    const auto set = [](const char* list, int index, const char* field, const QJsonValue& value) {
        return [=](QJsonObject& document) {
            QJsonArray rows = document[list].toArray();
            QJsonObject row = rows[index].toObject();
            row[field] = value;
            rows[index] = row;
            document[list] = rows;
        };
    };
    const struct {
        const char* what;
        QByteArray bytes;  // empty: no file at all
        QStringList options;
        const char* says;
    } cases[] = {
        {"its name is stored", good, {}, "A test named \"Gel A\" is stored already"},
        {"its name is stored in other letters", good, {"--name", "GEL A"}, "\"GEL A\" is stored already"},
        {"a control character in the name", good, {"--name", "Gel\tB"}, "holds a control character"},
        {"a part missing", edited([](QJsonObject& d) { d.remove("history"); }), {}, "/: Missing required"},
        {"a number as text", edited(set("readings", 3, "time_s", "60")), {}, "/readings/3/time_s: "},
        {"a reading that is not there excluded",
         edited(set("exclusions", 0, "reading_id", 999999)),
         {},
         "/exclusions/0/reading_id: 999999 is not the id of a reading"},
        {"NaN as text",
         QByteArray(good).replace("\"time_s\":0,", "\"time_s\":NaN,"),
         {},
         "not a JSON document"},
        {"no file", {}, {}, "cannot be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = dir.file("in.json");
        QFile::remove(file);
        if (!c.bytes.isEmpty()) {
            QFile in(file);
            ASSERT_TRUE(in.open(QIODevice::WriteOnly));
            in.write(c.bytes);
        }
        const Outcome o = runCli(QStringList{"import-json", file} + c.options);
        EXPECT_EQ(o.status, cli::kDatabaseError);
        EXPECT_TRUE(o.err.contains(c.says)) << o.err.toStdString();
    }
    // A file beyond the cap is refused without being taken whole.
    QFile large(dir.file("large.json"));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(64LL * 1024 * 1024 + 1));
    EXPECT_TRUE(runCli({"import-json", large.fileName()}).err.contains("larger than 64 MiB"));
    EXPECT_EQ(count("TEST_INFO"), 1);
    EXPECT_EQ(count("TEST_AUDIT"), 3);
}

INSTANTIATE_ON_BOTH_ENGINES(JsonRecord);

}  // namespace
