#include "lims/TestRecordImport.h"

#include "common/PrintableText.h"
#include "lims/TestRecordFormat.h"
#include "lims/TestRecordSchema.h"
#include "store/CriteriaStore.h"
#include "store/NewTest.h"
#include "store/ReadingExclusions.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/Transaction.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace lims {

namespace {

using namespace Qt::Literals::StringLiterals;
using Outcome = ImportResult::Outcome;

constexpr const char* kCannotRead = "%1 cannot be read: %2";
constexpr const char* kTooLarge =
    "%1 is larger than %2 MiB, which no test record is (a test of 100,000 readings makes about 23 MB).";
constexpr const char* kNotJson = "%1 is not a JSON document: %2 at byte %3 (line %4).";
constexpr const char* kNotRecord = "%1 is not a test record of this program: %2";
constexpr const char* kFaultAt = "%1: %2";
constexpr const char* kNoName = "The new test needs a name.";
constexpr const char* kNameStored =
    "A test named \"%1\" is stored already (names are compared without regard to letter case).";
constexpr const char* kIdTwice = "the reading id %1 is given twice";
constexpr const char* kNoSuchReading = "%1 is not the id of a reading of the document";
constexpr const char* kExcludedTwice = "reading %1 is excluded twice";
constexpr const char* kFlagDisagrees = "the flag says %1, but %2 exclusion names reading %3";
constexpr const char* kNotFinite = "%1 is not a finite number";
constexpr const char* kNoTime = "not a time";
constexpr const char* kOrigin = "%1: test \"%2\" of station %3, written %4 by %5 %6";

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

QString shown(const QString& text) {
    return printable_text::excerpt(text, 200);
}

// What the document says, in the program's types; positions are those of the document's readings.
struct Content {
    clsTEST_INFO info;  // the row's values only; not attached
    bool noTestTime = false;
    QList<NewAdditive> additives;
    std::vector<Reading> readings;
    std::vector<std::pair<std::size_t, store::exclusions::Exclusion>> exclusions;
    std::vector<store::criteria::Criterion> criteria;
    std::vector<store::audit::Entry> history;
};

// The first thing in the document that the schema cannot say is wrong: a JSON Pointer and what is wrong.
struct Fault {
    QString path;
    QString problem;
};

QString at(const char* list, qsizetype index, QLatin1StringView field = {}) {
    QString path = u'/' + QString::fromLatin1(list) + u'/' + QString::number(index);
    if (!field.isEmpty()) path += u'/' + QString(field);
    return path;
}

std::optional<Fault> readTest(const QJsonObject& test, Content& content) {
    clsTEST_INFO& info = content.info;
    info.SetDefaults();
    info.setTEST_NAME(test[key::name].toString());
    const QJsonValue time = test[key::time];
    content.noTestTime = time.isNull();
    if (!content.noTestTime) {
        const QDateTime local = localTimeOf(time);
        if (!local.isValid()) return Fault{u"/test/time"_s, qs(kNoTime)};
        info.setTEST_TIME(local);
    }
    info.setFluid_ID(test[key::fluid].toString());
    info.setRESEARCHER_NAME(test[key::researcher].toString());
    info.setROTOR_NO(test[key::rotor].toString());
    info.setBOB_NO(test[key::bob].toString());
    info.setBOB_RADIUS(test[key::bobRadius].toDouble());
    info.setBOB_EFF_LENGTH(test[key::bobLength].toDouble());
    info.setPreTest_PH(test[key::pretestPh].toDouble());
    info.setPostTest_PH(test[key::posttestPh].toDouble());
    info.setSAFETY(test[key::description].toString());
    return std::nullopt;
}

// The readings, and their ids by position.
std::optional<Fault> readReadings(const QJsonArray& list, Content& content, QHash<qint64, std::size_t>& ids) {
    content.readings.reserve(static_cast<std::size_t>(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonObject r = list[i].toObject();
        Reading& reading = content.readings.emplace_back();
        reading.rampNo = r[key::ramp].toDouble();
        reading.rampStepNo = r[key::step].toDouble();
        reading.time_s = r[key::time_s].toDouble();
        reading.sampleTemp_F = r[key::sampleTemp].toDouble();
        reading.pressure_psi = r[key::pressure].toDouble();
        reading.shearRate_1ps = r[key::shearRate].toDouble();
        reading.shearStress_dyncm2 = r[key::shearStress].toDouble();
        reading.typeId = r[key::type].toDouble();
        reading.bathTemp_F = r[key::bathTemp].toDouble();
        if (const char* column = nonFiniteColumn(reading))
            return Fault{at("readings", i), qs(kNotFinite).arg(QString::fromLatin1(column))};
        const qint64 id = r[key::id].toInteger();
        if (ids.contains(id)) return Fault{at("readings", i, key::id), qs(kIdTwice).arg(id)};
        ids.insert(id, static_cast<std::size_t>(i));
    }
    return std::nullopt;
}

// The exclusions by reading position; each reading's flag must agree with them.
std::optional<Fault> readExclusions(const QJsonArray& list, const QJsonArray& readings,
                                    const QHash<qint64, std::size_t>& ids, Content& content) {
    std::vector<bool> excluded(content.readings.size(), false);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonObject e = list[i].toObject();
        const qint64 id = e[key::readingId].toInteger();
        const auto position = ids.find(id);
        if (position == ids.end())
            return Fault{at("exclusions", i, key::readingId), qs(kNoSuchReading).arg(id)};
        if (excluded[*position])
            return Fault{at("exclusions", i, key::readingId), qs(kExcludedTwice).arg(id)};
        excluded[*position] = true;
        content.exclusions.push_back(
            {*position, {0, e[key::reason].toString(), e[key::user].toString(), localTimeOf(e[key::time])}});
    }
    for (qsizetype i = 0; i < readings.size(); ++i) {
        const QJsonObject r = readings[i].toObject();
        const bool flag = r[key::excluded].toBool();
        if (flag != excluded[static_cast<std::size_t>(i)])
            return Fault{at("readings", i, key::excluded),
                         qs(kFlagDisagrees)
                             .arg(flag ? u"excluded"_s : u"not excluded"_s, flag ? u"no"_s : u"an"_s)
                             .arg(r[key::id].toInteger())};
    }
    return std::nullopt;
}

std::optional<Fault> readCriteria(const QJsonArray& list, Content& content) {
    using namespace store::criteria;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonObject c = list[i].toObject();
        Criterion& criterion = content.criteria.emplace_back();
        criterion.shearRate_1ps = c[key::shearRate].toDouble();
        criterion.kind = c[key::limit].toString() == word::maximum ? LimitKind::Maximum : LimitKind::Minimum;
        criterion.limit_cP = c[key::limitCp].toDouble();
        criterion.duration_min = c[key::durationMin].toDouble();
        if (!c[key::minTemp].isNull()) criterion.minTemp_F = c[key::minTemp].toDouble();
        criterion.source = c[key::viscosity].toString() == word::fitted ? ViscositySource::Fitted
                                                                        : ViscositySource::Apparent;
        if (const std::optional<QString> problem = problemOf(criterion))
            return Fault{at("criteria", i), *problem};
    }
    return std::nullopt;
}

void readRest(const QJsonObject& document, Content& content) {
    for (const QJsonValue& value : document[key::additives].toArray()) {
        const QJsonObject a = value.toObject();
        content.additives.append({a[key::name].toString(), a[key::concentration].toDouble(),
                                  a[key::unit].toString(), a[key::lot].toString()});
    }
    for (const QJsonValue& value : document[key::history].toArray()) {
        const QJsonObject h = value.toObject();
        QDateTime time = localTimeOf(h[key::time]);
        if (time.isValid()) time = time.addMSecs(-time.time().msec());  // the record keeps seconds
        content.history.push_back({0,
                                   {},
                                   time,
                                   h[key::user].toString(),
                                   h[key::station].toString(),
                                   h[key::what].toString(),
                                   h[key::oldValue].toString(),
                                   h[key::newValue].toString()});
    }
}

// The document's content once it has followed the schema; the first fault when it is not consistent.
std::optional<Fault> readContent(const QJsonObject& document, Content& content) {
    if (auto fault = readTest(document[key::test].toObject(), content)) return fault;
    const QJsonArray readings = document[key::readings].toArray();
    QHash<qint64, std::size_t> ids;
    if (auto fault = readReadings(readings, content, ids)) return fault;
    if (auto fault = readExclusions(document[key::exclusions].toArray(), readings, ids, content))
        return fault;
    if (auto fault = readCriteria(document[key::criteria].toArray(), content)) return fault;
    readRest(document, content);
    return std::nullopt;
}

ImportResult refused(Outcome outcome, const QString& problem) {
    ImportResult result;
    result.outcome = outcome;
    result.problem = problem;
    return result;
}

// The document parsed and checked; nothing, with `result` saying why, when it is no test record.
std::optional<QJsonObject> checkedDocument(const QByteArray& bytes, const QString& origin,
                                           ImportResult& result) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        const qsizetype line = bytes.left(error.offset).count('\n') + 1;
        result = refused(Outcome::NotRecord,
                         qs(kNotJson).arg(origin, error.errorString()).arg(error.offset).arg(line));
        return std::nullopt;
    }
    const std::vector<SchemaFault> faults = SchemaFaults(document);
    if (!faults.empty()) {
        QStringList listed;
        for (const SchemaFault& f : faults)
            listed << qs(kFaultAt).arg(f.path.isEmpty() ? u"/"_s : f.path, f.problem);
        result = refused(Outcome::NotRecord, qs(kNotRecord).arg(origin, listed.join(u"; "_s)));
        return std::nullopt;
    }
    return document.object();
}

// Stores the content as the test `name` in one transaction; returns its key.
double store(clsConnection& connection, Content& content, const QString& name, const QString& originText,
             const store::audit::Actor& actor) {
    store::Transaction transaction(connection);
    clsTEST_INFO info;
    info.ConnectX(connection);
    info.setAll(content.info.All());
    info.setTEST_NAME(name);
    const double testId = StoreNewTest(connection, info, content.additives, content.readings);
    if (content.noTestTime) {
        // A test without a time is stored without one (AddNew would store the placeholder as a time).
        info.setTEST_TIME(clsTEST_INFO::noTestTime());
        info.Update();
    }
    // The readings were stored in the document's order, and their new keys rise in that order.
    clsTEST_RESULT stored;
    stored.setTest_Id(static_cast<int>(testId));
    stored.ConnectX(connection);
    std::vector<double> keys;
    for (const clsTEST_RESULT::Row& row : stored.rTestResult())
        keys.push_back(row[TestResultColumn::TEST_RESULT_ID]);
    std::sort(keys.begin(), keys.end());
    std::vector<store::exclusions::Exclusion> exclusions;
    for (auto [position, exclusion] : content.exclusions) {
        exclusion.resultId = keys.at(position);
        exclusions.push_back(exclusion);
    }
    store::exclusions::copyTo(connection, testId, exclusions);
    store::criteria::copyToTest(connection, testId, content.criteria);
    for (store::audit::Entry entry : content.history) {
        entry.testId = testId;
        entry.testName = name;
        store::audit::append(connection, entry);
    }
    store::audit::append(connection,
                         store::audit::change(testId, name, QString::fromLatin1(store::audit::kImported),
                                              originText, {}, actor));
    transaction.commit();
    return testId;
}

}  // namespace

QByteArray ReadRecordFile(const QString& path, ImportResult& result) {
    const QString shownPath = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result = refused(Outcome::Unreadable, qs(kCannotRead).arg(shownPath, file.errorString()));
        return {};
    }
    const QByteArray bytes = file.read(kMaxRecordBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result = refused(Outcome::Unreadable, qs(kCannotRead).arg(shownPath, file.errorString()));
        return {};
    }
    if (bytes.size() > kMaxRecordBytes) {
        result =
            refused(Outcome::Unreadable, qs(kTooLarge).arg(shownPath).arg(kMaxRecordBytes / (1024 * 1024)));
        return {};
    }
    return bytes;
}

ImportResult ImportTestRecord(clsConnection& connection, const QByteArray& bytes, const QString& newName,
                              const QString& origin, const store::audit::Actor& actor) {
    ImportResult result;
    const std::optional<QJsonObject> document = checkedDocument(bytes, origin, result);
    if (!document) return result;
    Content content;
    if (const std::optional<Fault> fault = readContent(*document, content))
        return refused(Outcome::NotRecord,
                       qs(kNotRecord).arg(origin, qs(kFaultAt).arg(fault->path, fault->problem)));

    const QJsonObject test = (*document)[key::test].toObject();
    const QString name = newName.isEmpty() ? test[key::name].toString() : newName;
    if (name.isEmpty()) return refused(Outcome::BadName, qs(kNoName));
    if (const std::optional<QString> problem = printable_text::nameProblem(u"test name"_s, name))
        return refused(Outcome::BadName, *problem);
    if (TestNameIsStored(connection, name))
        return refused(Outcome::NameTaken, qs(kNameStored).arg(shown(name)));

    const QString originText =
        qs(kOrigin).arg(origin, test[key::name].toString(), (*document)[key::station].toString(),
                        (*document)[key::written].toString(), (*document)[key::program].toString(),
                        (*document)[key::programVersion].toString());
    try {
        result.testId = store(connection, content, name, originText, actor);
    } catch (const StoreError& error) {
        // Stored meanwhile by another program.
        if (error.number() != StoreError::kNameTaken && !store::dialect::isUniqueViolation(error)) throw;
        return refused(Outcome::NameTaken, qs(kNameStored).arg(shown(name)));
    }
    result.name = name;
    result.readings = static_cast<int>(content.readings.size());
    result.additives = static_cast<int>(content.additives.size());
    result.exclusions = static_cast<int>(content.exclusions.size());
    result.criteria = static_cast<int>(content.criteria.size());
    return result;
}

}  // namespace lims
