#pragma once

#include "store/ReadingWriter.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <memory>

class ReadingSpool;

// Stores the readings of a live run on a database server that may go away for a while (a restart, the
// network). No reading is lost: one the server cannot take goes into the local spool "R7716-spool.db"
// beside the settings, and the spool is sent on, oldest first and each reading once, as soon as the
// server takes readings again: before the next reading is stored, and every few seconds on a timer while
// readings wait. Meanwhile statusText() says "server unreachable: N readings waiting".
//
// While the server stays away it is asked again at most every kRetryInterval_ms, so a run does not wait
// for the connect timeout at every reading (an attempt waits at most that long: a few seconds, at once
// when the server's machine answers that nothing listens). A reading whose store broke off with the
// connection may have reached the server anyway; it is looked up there before it is sent again.
class SpoolingReadingWriter : public ReadingWriter {
  public:
    static constexpr const char* kSpoolFileName = "R7716-spool.db";
    static constexpr const char* kUnreachableStatus = "server unreachable: %1 readings waiting";
    // Our own text, for a server that answers but refuses the readings (no room, no permission).
    static constexpr const char* kRefusedStatus = "server refuses readings: %1 readings waiting";
    static constexpr int kBatchSize = 500;
    static constexpr int kRetryInterval_ms = 15000;
    static constexpr int kTimerInterval_ms = 5000;

    // spoolPath: the spool file; by default kSpoolFileName in the working directory. The file is made only
    // when a reading has to wait, or opened at once when it exists (readings left by an earlier run).
    explicit SpoolingReadingWriter(clsConnection& connection, const QString& spoolPath = {});
    ~SpoolingReadingWriter() override;

    // Stores the reading, or keeps it in the spool; raises StoreError only when neither can be done.
    void write(double testId, const Reading& reading) override;
    // Readings of this writer in the spool.
    int waiting() const override;
    QString statusText() const override;

    // Sends the spool's readings of this database (of any writer), oldest first. True when none waits
    // any more; false when the server could not take them (the reason in lastFailure()), or while it is
    // not to be asked again yet.
    bool deliverWaiting();
    bool storeWaitingNow() override { return deliver(true); }
    // Why the server took no reading last time; empty once it takes them again.
    QString lastFailure() const { return lastFailure_; }

    // How often the timer looks for waiting readings, and how long a server that failed is left alone.
    void setIntervals(int timer_ms, int retry_ms);

  private:
    // Attaches the record object to the connection once per open.
    void attach();
    bool serverResting() const;
    // deliverWaiting; at once asks the server even while it is being left alone.
    bool deliver(bool atOnce);
    void storeDirectly(double testId, const Reading& reading);
    void keep(double testId, const Reading& reading, bool outcomeUnknown, const QString& serverFailure);
    ReadingSpool& spool();
    void failed(const QString& failure, bool unreachable);
    void recovered();

    clsConnection& connection_;
    std::unique_ptr<clsTEST_RESULT> record_;
    QString spoolPath_;
    QString writerId_;
    std::unique_ptr<ReadingSpool> spool_;
    QTimer timer_;
    QElapsedTimer lastAttemptFailed_;
    QString lastFailure_;
    bool unreachable_ = false;
    int attachedTo_ = -1;
    int retryInterval_ms_ = kRetryInterval_ms;
    mutable int lastWaiting_ = 0;
};
