#pragma once

#include "analysis/OpenTest.h"
#include "common/UnitSystem.h"
#include "store/UnitStatusStore.h"
#include "store/clsTEST_INFO.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <future>
#include <memory>
#include <mutex>
#include <optional>

class clsConnection;

// What the lab monitor reads from the database, once for its pages and its API: the units' status rows
// with their age, the stored tests, and one test as the main window opens it. Every reader throws
// StoreError as the store does; the server turns that into an answer that says so.
namespace monitor {

// A status older than this is shown as stale: the program that wrote it no longer does.
inline constexpr int kStaleAfter_s = 30;

struct UnitTile {
    store::UnitStatusRow status;
    qint64 age_s = 0;
    bool stale = false;
};

struct TestEntry {
    QString name;
    QDateTime time;  // local time as stored; invalid when the test has none
    QString researcher;
};

// Every status row, by station and unit, aged against now.
QList<UnitTile> readUnits(clsConnection& connection, const QDateTime& now);
// The stored tests, newest first; with a search text only those whose name, researcher or time holds it
// (letter case aside).
QList<TestEntry> readTests(clsConnection& connection, const QString& search);
// The test of that exact name as the main window opens it, in the unit system given; nothing when none is
// stored.
std::optional<OpenedTest> readTest(clsConnection& connection, const QString& name, UnitSystem unitSystem);

// Opened tests kept while they are what is stored: a test whose stamp (store/TestStamp.h) is unchanged is
// not read again. Shared by the server's worker threads.
class TestCache {
  public:
    static constexpr int kKept = 4;
    // The test as readTest gives it, from the cache when still current; null when none is stored.
    std::shared_ptr<const OpenedTest> get(clsConnection& connection, const QString& name,
                                          UnitSystem unitSystem);

  private:
    struct Entry {
        QString name;
        UnitSystem unitSystem;
        QByteArray stamp;
        std::shared_future<std::shared_ptr<const OpenedTest>> test;
    };
    std::mutex mutex_;
    QList<Entry> entries_;  // the most recently used first
};

// The API's answers (every field is described in the README).
QJsonObject unitsJson(const QList<UnitTile>& units, const QDateTime& now);
QJsonObject testsJson(const QList<TestEntry>& tests);
QJsonObject testJson(const OpenedTest& test);
// The readings whose RESULT_TIME is above since (every reading without it).
QJsonObject readingsJson(const OpenedTest& test, std::optional<double> since_s);

// A stored text of the test row (column as clsTEST_INFO::All orders them), for the pages.
using InfoColumn = test_info::Column;
QVariant infoValue(const OpenedTest& test, InfoColumn column);
QString infoText(const OpenedTest& test, InfoColumn column);
// A stored time as the pages and the API write it ("2026-12-09 21:45:03"); empty for none.
QString timeText(const QDateTime& time);

}  // namespace monitor
