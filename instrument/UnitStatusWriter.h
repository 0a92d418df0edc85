#pragma once

#include "common/DiagnosticLog.h"
#include "store/DatabaseLocation.h"
#include "store/UnitStatusStore.h"

#include <QString>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class ReadingWriter;
class clsConnection;
class UnitWindowLogic;
struct RunContext;

// Keeps the status rows of the units this program serves (UNIT_STATUS) current for the lab monitor.
//
// The unit windows and r7716-cli run offer each unit's latest status after a tick; offering only copies it.
// A thread of the writer's own, on a connection of its own to the same database, writes each unit's status
// at most every kWriteInterval_ms, so the store never waits inside a tick nor inside a reading's
// transaction, and a database that is locked or away only delays the status. A failed write goes to the
// diagnostic log (when a streak of failures begins and when it ends) and is tried again at the next
// interval. A unit released (its window closed, the run ended) loses its row.
class UnitStatusWriter {
  public:
    static constexpr int kWriteInterval_ms = 5000;
    // How long a status write waits for a lock another program holds: it is tried again anyway.
    static constexpr int kBusyTimeout_ms = 250;
    // Where the diagnostic log names the writer.
    static inline const QString kLogWhere = QStringLiteral("Lab monitor");

    // program: who serves the units ("r7716", "r7716-cli run"); log: where failures are written.
    UnitStatusWriter(const store::DatabaseLocation& location, const QString& program,
                     const DiagnosticLog& log);
    // Removes the rows of the units still served, then stops the thread.
    ~UnitStatusWriter();
    UnitStatusWriter(const UnitStatusWriter&) = delete;
    UnitStatusWriter& operator=(const UnitStatusWriter&) = delete;

    // This machine as the status rows and the recording lock name it.
    static QString station();

    // The unit's latest status (station, program and time are filled in here when empty). Never blocks on
    // the database.
    void offer(store::UnitStatusRow status);
    // The program no longer serves the unit: its row is removed.
    void release(int unit);
    // Writes everything offered or released now, whatever the interval, and waits for it (a test, the
    // end of a run). True when every write succeeded.
    bool flush();
    // The clock the interval is measured on (milliseconds; a steady clock unless told), for tests.
    void setClock(std::function<qint64()> now_ms);

  private:
    struct Pending {
        store::UnitStatusRow status;
        bool hasStatus = false;
        bool released = false;
        qint64 lastWrite_ms = -1;
    };
    void runThread();
    // Writes what is due; with force, everything. True when nothing failed.
    bool writeDue(bool force);
    bool writeOne(int unit, const Pending& pending);
    void noteOutcome(bool ok, const QString& problem);

    store::DatabaseLocation location_;
    QString program_;
    QString station_;
    DiagnosticLog log_;
    std::function<qint64()> now_ms_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<int, Pending> pending_;  // by unit
    bool stopping_ = false;
    int flushRequests_ = 0;
    int flushesDone_ = 0;
    bool lastFlushOk_ = true;
    std::condition_variable flushed_;
    // Thread-only state. The connection belongs to the thread that opened it; it is made again after a
    // failure.
    std::unique_ptr<clsConnection> connection_;
    bool failing_ = false;
    int failuresInStreak_ = 0;
    std::thread thread_;
};

// The status of a unit as its window (or r7716-cli run) holds it after a tick: what it does, what its
// boxes show, and, while a test runs, the run's test, ramp and step and the readings that wait.
store::UnitStatusRow describeUnit(int unit, const UnitWindowLogic& logic, const RunContext* run,
                                  const QString& sequenceName, const ReadingWriter* writer);
