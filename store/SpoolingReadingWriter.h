#pragma once

#include "store/ReadingSpool.h"
#include "store/ReadingWriter.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

class StoreError;

// The writer of every live run, on the file and on a server alike. No reading is lost while the program
// lives: one the database cannot take (a lock another program holds, a full disk, a server away) goes into
// the local spool "R7716-spool.db" beside the settings, or, where that cannot be written either (the same
// full disk), into memory (at most kMemoryLimit readings; statusText() says how many). Waiting readings
// are stored in the order they were taken, each once, as soon as the database takes readings again: before
// the next reading is stored, and on a timer while readings wait. Meanwhile statusText() counts them
// ("server unreachable: 12 readings waiting", "12 readings waiting (database is locked)").
//
// A reading's store never waits long for a lock: at most kReadingLockWait_ms in all (the delivery of those
// waiting before it included), in short steps, whatever the connection's own wait (which every other
// operation keeps); so does a delivery on the timer. After a refusal the database is left
// alone for a while by every live run of the program (clsConnection::setReadingsRefused), so a run does
// not wait at every reading for a lock, or for the connect timeout of a server that is away. A reading
// whose store broke off with a server connection may have reached it anyway; it is looked up there
// before it is sent again.
//
// A reading is stored only while its test row is: one whose test was deleted meanwhile is refused with
// StoreError::kTestGone, and waiting readings of such a test are dropped (the diagnostic log says how
// many) when they would be delivered.
class SpoolingReadingWriter : public ReadingWriter {
  public:
    static constexpr const char* kSpoolFileName = "R7716-spool.db";
    static constexpr const char* kUnreachableStatus = "server unreachable: %1 readings waiting";
    // Our own texts: a server that answers but refuses the readings (no room, no permission); readings that
    // wait for the file, followed by the engine's reason in parentheses when there is one; the readings
    // that only memory holds, after the count.
    static constexpr const char* kRefusedStatus = "server refuses readings: %1 readings waiting";
    static constexpr const char* kFileWaitingStatus = "%1 readings waiting";
    static constexpr const char* kInMemoryNote = ", %1 only in memory";
    static constexpr int kBatchSize = 500;
    static constexpr int kRetryInterval_ms = 15000;
    static constexpr int kTimerInterval_ms = 5000;
    static constexpr int kFileRetryInterval_ms = 2000;
    static constexpr int kFileTimerInterval_ms = 1000;
    static constexpr int kReadingLockWait_ms = 250;
    static constexpr int kLockPoll_ms = 25;
    // About 16 MB: two days and more of a reading a second.
    static constexpr int kMemoryLimit = 200000;

    // spoolPath: the spool file; by default kSpoolFileName in the working directory. The file is made only
    // when a reading has to wait, or opened at once when it exists (readings left by an earlier run).
    explicit SpoolingReadingWriter(clsConnection& connection, const QString& spoolPath = {});
    // Readings that only memory holds go into the spool where it can be written now; the log names the
    // rest, which are lost.
    ~SpoolingReadingWriter() override;

    // Stores the reading, or keeps it to store later. Raises StoreError kTestGone when its test is no
    // longer stored, and StoreError when it can be neither stored nor kept (memory full).
    void write(double testId, const Reading& reading, const run_journal::Save* save = nullptr) override;
    void saveRun(const run_journal::Save& save) override;
    // Readings of this writer that wait, in the spool and in memory.
    int waiting() const override;
    int waitingInMemory() const override { return static_cast<int>(memory_.size()); }
    QString statusText() const override;

    // Sends the waiting readings of this database (the spool's of any writer, then this writer's in
    // memory), oldest first. True when none waits any more; false when the database could not take them
    // (the reason in lastFailure()), or while it is being left alone.
    bool deliverWaiting();
    // deliverWaiting at once, even while the database is being left alone; what still waits in memory
    // then goes into the spool where it can.
    bool storeWaitingNow() override;
    // Why the database took no reading last time; empty once it takes them again.
    QString lastFailure() const { return lastFailure_; }

    // How often the timer looks for waiting readings, and how long a database that refused is left alone.
    void setIntervals(int timer_ms, int retry_ms);
    // How the writer waits between two tries of a locked database (a sleep of the thread by default).
    void setWaitFunction(std::function<void(int ms)> wait) { wait_ = std::move(wait); }

  private:
    struct Kept {
        ReadingSpool::Entry entry;
        bool outcomeUnknown = false;
    };
    // What one delivery stored, and dropped because the test is gone.
    struct Delivered {
        int stored = 0;
        int dropped = 0;
    };

    // Attaches the record object to the connection once per open.
    void attach();
    bool resting() const;
    bool anyWaiting() const;
    int spoolCount() const;
    // deliverWaiting; atOnce asks the database even while it is being left alone.
    bool deliver(bool atOnce);
    // The spool's readings of this database; false when another sender holds the spool.
    bool deliverSpool(Delivered& done);
    void deliverMemory(Delivered& done);
    // Inserts the readings inside the caller's transaction.
    void insertAll(const std::vector<ReadingSpool::Entry>& entries, Delivered& done);
    void logDelivered(const Delivered& done) const;
    // Stores a reading, a save, or both in one transaction, or hands it to keep() to store later.
    void hand(const ReadingSpool::Entry& entry);
    void storeDirectly(const ReadingSpool::Entry& entry);
    // Runs attempt, and again while the database is locked by another connection, as long as the wait
    // left to this call of write() or delivery lasts (kReadingLockWait_ms in all).
    void tryWithShortLockWait(const std::function<void()>& attempt);
    void keep(const ReadingSpool::Entry& entry, bool outcomeUnknown);
    void spillToSpool();
    ReadingSpool& spool();
    void spoolFailed(const StoreError& error) const;
    void failed(const StoreError& error, bool unreachable);
    void recovered();
    void startTimer();

    clsConnection& connection_;
    std::unique_ptr<clsTEST_RESULT> record_;
    QString spoolPath_;
    QString writerId_;
    std::unique_ptr<ReadingSpool> spool_;
    std::deque<Kept> memory_;
    QTimer timer_;
    QElapsedTimer lastAttemptFailed_;
    QString lastFailure_;
    QString lastReason_;
    mutable QString spoolFailure_;
    bool unreachable_ = false;
    int attachedTo_ = -1;
    int retryInterval_ms_ = kRetryInterval_ms;
    std::function<void(int)> wait_;
    int lockWaitLeft_ms_ = kReadingLockWait_ms;
    mutable int lastWaiting_ = 0;
};
