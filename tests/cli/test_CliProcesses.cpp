// Several real r7716-cli programs on one database at once, programs on a database they may not write, and
// the demo store on a full disk.
#include "cli/DemoTests.h"
#include "store/clsConnection.h"
#include "support/TempWorkDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <memory>
#include <optional>

namespace {

// Starts the commands at once in the working directory, as the user "nobody" when asked (root may write
// any file); returns each one's exit status and output.
std::vector<std::pair<int, QString>> runAtOnce(const std::vector<QStringList>& commands,
                                               bool asNobody = false) {
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList& arguments : commands) {
        auto& p = processes.emplace_back(std::make_unique<QProcess>());
        p->setProcessChannelMode(QProcess::MergedChannels);
        const QStringList nobody{"--reuid=65534", "--regid=65534", "--clear-groups", R7716_CLI_PATH};
        p->start(asNobody ? "setpriv" : R7716_CLI_PATH, asNobody ? nobody + arguments : arguments);
    }
    std::vector<std::pair<int, QString>> results;
    for (auto& p : processes) {
        const bool finished = p->waitForFinished(180000) && p->exitStatus() == QProcess::NormalExit;
        results.emplace_back(finished ? p->exitCode() : -1, QString::fromUtf8(p->readAll()));
    }
    return results;
}

int rows(const QString& sql) {
    clsConnection connection;
    connection.OpenDB();
    QSqlQuery query(connection.ADOConnection());
    return query.exec(sql) && query.next() ? query.value(0).toInt() : -1;
}

TEST(CliProcesses, DemoStoresStartedAtOnceOnNoDatabaseStoreOneWholeDatabaseWithEachNameOnce) {
    for (int round = 0; round < 8; ++round) {
        TempWorkDir dir;
        int stored = 0;
        for (const auto& [status, output] : runAtOnce(std::vector<QStringList>(4, {"init-demo"}))) {
            ASSERT_EQ(status, 0) << output.toStdString();
            stored += output.count(QStringLiteral("Stored demo test"));
        }
        ASSERT_TRUE(QFile::exists(dir.file("R7716.mdb"))) << "round " << round;
        EXPECT_EQ(stored, 2);
        EXPECT_EQ(rows("SELECT COUNT(*) FROM TEST_INFO"), 2);
        EXPECT_EQ(
            rows("SELECT COUNT(*) FROM TEST_RESULT WHERE TEST_ID NOT IN (SELECT TEST_ID FROM TEST_INFO)"), 0);
        EXPECT_EQ(rows("SELECT COUNT(*) FROM SEQUENCE_INFO"), 2);
        EXPECT_EQ(rows("SELECT COUNT(DISTINCT SEQUENCE_ID) FROM SEQUENCE_RAMP"), 2);
    }
}

// Read as the file lies, or through the log of a writer at work, leaving no file behind either way.
TEST(CliProcesses, AWriteProtectedDatabaseIsReadAndOnlyItsWritesAreRefused) {
    const bool root = geteuid() == 0;  // root's files are write-protected for "nobody"
    const std::tuple<const char*, mode_t, mode_t, bool> cases[] = {
        {"the file is write-protected", root ? 0644 : 0444, 0755, false},
        {"its folder is write-protected", 0666, root ? 0755 : 0555, false},
        {"the file is write-protected", root ? 0644 : 0444, 0755, true},
    };
    for (const auto& [reason, fileMode, folderMode, writerWorksOn] : cases) {
        TempWorkDir dir;
        std::optional<clsConnection> writer(std::in_place);
        writer->OpenDB();
        QSqlQuery(writer->ADOConnection()).exec("INSERT INTO TEST_INFO (TEST_NAME) VALUES ('seen')");
        if (!writerWorksOn) writer.reset();
        chmod(qPrintable(dir.file("R7716.mdb")), fileMode);
        chmod(qPrintable(dir.path()), folderMode);
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        const auto runs = runAtOnce({{"tests"}, {"init-demo"}}, root);
        EXPECT_EQ(runs[0].first, 0) << runs[0].second.toStdString();
        EXPECT_TRUE(runs[0].second.startsWith("seen\t")) << runs[0].second.toStdString();
        EXPECT_EQ(runs[1].first, 1);
        EXPECT_TRUE(runs[1].second.contains(QStringLiteral("is open read-only (%1)").arg(reason)))
            << runs[1].second.toStdString();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before) << reason;
        chmod(qPrintable(dir.path()), 0755);
    }
}

TEST(DemoStore, AFullDiskIsReportedWithWhatWasStoredBeforeIt) {
    TempWorkDir dir;
    clsConnection connection;
    connection.OpenDB();
    QSqlQuery query(connection.ADOConnection());
    // Room for the sequences and the first test, not for the second (more demo readings need more room).
    query.exec("PRAGMA page_count");
    query.next();
    query.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(query.value(0).toInt() + 6));
    const QList<DemoTestPlan> plans = demoTestPlans();
    try {
        createDemoTests(connection);
        FAIL() << "the demo was stored on a full disk";
    } catch (const StoreError& e) {
        EXPECT_TRUE(
            e.report().startsWith("Error #: 13\r\ndatabase or disk is full\nStored before the failure: the "
                                  "test sequence") &&
            e.description().contains(QStringLiteral("\"%1\" with").arg(plans[0].name)) &&
            e.description().endsWith(QStringLiteral("the test \"%1\" was stored.").arg(plans[1].name)))
            << e.description().toStdString();
    }
}

}  // namespace
