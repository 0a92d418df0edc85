// Two stations, each a process of its own with its own working directory, storing into one server at once.
#include "StoreFixture.h"
#include "store/NewTest.h"
#include "store/ReadingWriter.h"
#include "support/StoredTestBuilder.h"

#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int kReadings = 1500;
constexpr const char* kStationVariable = "R7716_TEST_STATION";
constexpr const char* kSharedName = "Borate 30 lb, 250 F";

// What one station does, started by the test below in a process of its own: store a test under the name
// both stations want, then its own test and a live run of readings into it, each carrying the station's
// number as its pressure. Prints what became of the shared name.
TEST(StationProcess, StoresOneStationsWorkWhenStartedByTheTwoStationsTest) {
    const QString station = qEnvironmentVariable(kStationVariable);
    if (station.isEmpty()) GTEST_SKIP() << "run as a station by TwoStations.ReadingsOfTwoStationsAtOnce...";
    ScriptedMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();  // the server of this station's database.txt
    ASSERT_TRUE(connection.IsOpen()) << connection.LastError().toStdString();
    try {
        stored_test::store(connection, {.name = kSharedName, .researcher = station});
        std::printf("shared name stored\n");
    } catch (const StoreError& e) {
        std::printf(e.number() == StoreError::kNameTaken ? "shared name refused\n" : "failed\n");
    }
    const double testId = stored_test::store(connection, {.name = "Station " + station});
    const std::unique_ptr<ReadingWriter> writer = makeReadingWriter(connection);
    for (int t = 1; t <= kReadings; ++t) {
        Reading r = stored_test::ordinary(1, t);
        r.pressure_psi = station.toDouble();
        writer->write(testId, r);
    }
    EXPECT_EQ(writer->waiting(), 0);
}

class TwoStations : public ServerStore {};

TEST_F(TwoStations, ReadingsOfTwoStationsAtOnceAreAllStoredUnmixedAndTheSecondIsRefusedTheSameName) {
    std::vector<std::unique_ptr<QTemporaryDir>> dirs;
    std::vector<std::unique_ptr<QProcess>> stations;
    for (const QString station : {"1", "2"}) {
        auto& dir = dirs.emplace_back(std::make_unique<QTemporaryDir>());
        ASSERT_TRUE(QFile::copy(this->dir.file("database.txt"), dir->filePath("database.txt")));
        auto& process = stations.emplace_back(std::make_unique<QProcess>());
        process->setWorkingDirectory(dir->path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kStationVariable, station);
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral("/proc/self/exe"), {QStringLiteral("--gtest_filter=StationProcess.*")});
    }
    QString outputs;
    for (auto& process : stations) {
        ASSERT_TRUE(process->waitForFinished(120000));
        const QString output = QString::fromUtf8(process->readAll());
        EXPECT_EQ(process->exitCode(), 0) << output.toStdString();
        outputs += output;
    }
    EXPECT_EQ(outputs.count("shared name stored"), 1) << outputs.toStdString();
    EXPECT_EQ(outputs.count("shared name refused"), 1) << outputs.toStdString();
    EXPECT_EQ(count("TEST_INFO", "lower(TEST_NAME) = lower('Borate 30 lb, 250 F')"), 1);
    for (const int station : {1, 2}) {
        const QString id = sql("SELECT TEST_ID FROM TEST_INFO WHERE TEST_NAME = ?",
                               {QStringLiteral("Station %1").arg(station)})
                               .toString();
        QSqlQuery query(connection.ADOConnection());
        query.exec(
            QStringLiteral("SELECT RESULT_TIME, RESULT_PRESS FROM TEST_RESULT WHERE TEST_ID = %1 ORDER BY "
                           "TEST_RESULT_ID")
                .arg(id));
        int expected = 1;
        bool unmixed = true;
        while (query.next()) {
            unmixed = unmixed && query.value(0).toInt() == expected++ && query.value(1).toInt() == station;
        }
        EXPECT_TRUE(unmixed) << "station " << station;
        EXPECT_EQ(expected - 1, kReadings) << "station " << station;
    }
}

}  // namespace
