// Storing a retrieved test: a whole transfer of the unit's records, already on hand (the line time of the
// serial link is apart: 10 000 records of about 45 bytes take some four minutes at 19200 baud), checked,
// parsed and stored as one new test in one transaction, as "Retrieve Last Result" and r7716-cli retrieve
// do after the last wait.
//
//   bench_retrieve [records]      (default 10000; run in a scratch directory that is removed afterwards)

#include "analysis/OpenTest.h"
#include "common/VbFormat.h"
#include "instrument/DataRetrieval.h"
#include "link/DataDownload.h"
#include "store/clsConnection.h"
#include "testinfo/TestInfoInput.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Records as a unit writes them: a reading every 30 s, ramps of 20 readings, five shear-rate steps ending
// each ramp.
QByteArray transfer(int records) {
    QByteArray out;
    const auto f = [](double v, const char* picture) {
        return vb::Format(v, QString::fromLatin1(picture)).toLatin1();
    };
    for (int i = 0; i < records; ++i) {
        const int ramp = 1 + i / 25;
        const int step = std::max(0, i % 25 - 19);
        out.append(f(ramp, "0") + ',' + f(step, "0") + ',' + f(30.0 * i, "0") + ',' +
                   f(150 + i % 100 * 0.7, "0.0") + ',' + f(152 + i % 100 * 0.7, "0.0") + ',' +
                   f(400 + i % 7, "0.0") + ',' + f(step ? 100.0 * step : 100.0, "0.00") + ',' +
                   f(35.5 + i % 13, "0.00") + ',' + f(step ? 1 : 0, "0"));
        out.append(DataDownload::kRecordEnd);
    }
    out.append(DataDownload::kTransferEnd);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());
    clsConnection connection;
    connection.OpenDB();
    if (!connection.IsOpen()) {
        std::fprintf(stderr, "%s\n", qPrintable(connection.LastError()));
        return 1;
    }

    const QByteArray bytes = transfer(records);
    std::printf("transfer: %d records, %lld bytes (%.0f s on the line at 1920 bytes/s)\n", records,
                static_cast<long long>(bytes.size()), bytes.size() / 1920.0);

    Clock::time_point start = Clock::now();
    int skipped = 0;
    const qsizetype parsed = DataDownload::parseRecords(bytes, &skipped).size();
    std::printf("parse alone: %lld records in %.3f s\n", static_cast<long long>(parsed), secondsSince(start));

    double best = 1e9;
    for (int round = 1; round <= 3; ++round) {
        TestInfoInput info;
        info.testName = QStringLiteral("Retrieved %1").arg(round);
        info.bobNo = QStringLiteral("B5");
        info.bobRadius_cm = 1.5987;
        info.bobEffLength_cm = 7.62;
        for (int a = 1; a <= TestInfoInput::kMaxAdditives; ++a)
            info.additives.append({QStringLiteral("Additive %1").arg(a), 1.0 * a, QStringLiteral("gal/Mgal"),
                                   QStringLiteral("L-%1").arg(a)});
        start = Clock::now();
        const RetrievalResult result =
            DataRetrieval::store(connection, info, QDateTime::currentDateTime(), bytes);
        const double seconds = secondsSince(start);
        if (result.kind != RetrievalResult::Kind::Stored || result.stored != records) {
            std::fprintf(stderr, "not stored: %s\n", qPrintable(result.message));
            return 1;
        }
        best = std::min(best, seconds);
        std::printf(
            "round %d: check, parse and store %d readings and 20 additives in one transaction: %.3f s\n",
            round, result.stored, seconds);
    }
    std::printf("best: %.3f s for %d records (target: under 2 s for 10000)\n", best, records);

    // The window then fills its results table once from the stored test, as the main window opens it.
    start = Clock::now();
    const OpenedTest opened =
        OpenStoredTest(connection, QStringLiteral("Retrieved 3"), ChartDataOption::All, UnitSystem::CGS);
    std::printf("results table of the stored test (read back and fitted, %d ramps): %.3f s\n",
                opened.rampCount, secondsSince(start));
    return 0;
}
