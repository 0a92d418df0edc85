#include "store/SpoolingReadingWriter.h"

#include "common/DiagnosticLog.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/Transaction.h"
#include "store/clsConnection.h"
#include "store/clsTEST_RESULT.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <optional>

namespace {

// Whether a reading is stored already, every value alike: asked for a batch whose sending ended without
// an answer (the connection broke at the commit), which the server has then either taken whole or not at
// all. Two readings of one live run never agree in every value, their times differ. The columns are those of
// the insert, in its order, so that its parameters serve.
constexpr const char* kIsStoredSql =
    "SELECT COUNT(*) FROM TEST_RESULT WHERE TEST_ID = ? AND RAMP_NO = ? AND RAMP_STEP_NO = ? AND "
    "RESULT_TIME = ? AND RESULT_SAMPLE_TEMP = ? AND RESULT_PRESS = ? AND RESULT_SHEAR_RATE = ? AND "
    "RESULT_SHEAR_STRESS = ? AND RESULT_TYPE_ID = ? AND RESULT_BATH_TEMP = ?";
constexpr const char* kLogWhere = "Reading spool";
constexpr const char* kTestGoneText =
    "The test of this reading (TEST_ID %1) is no longer stored: it was deleted while it was being "
    "recorded. The reading was not stored.";

// The first reading of a batch, whose being stored tells whether the batch was; null for saves alone.
const ReadingSpool::Entry* firstReading(const std::vector<ReadingSpool::Entry>& batch) {
    for (const ReadingSpool::Entry& e : batch)
        if (e.hasReading) return &e;
    return nullptr;
}

bool isStored(clsConnection& connection, const ReadingSpool::Entry& e) {
    store::Statement statement;
    statement.prepare(connection.ADOConnection(), kIsStoredSql, clsTEST_RESULT::kInsertParams);
    const Reading& r = e.reading;
    statement.run({e.testId, r.rampNo, r.rampStepNo, r.time_s, r.sampleTemp_F, r.pressure_psi,
                   r.shearRate_1ps, r.shearStress_dyncm2, r.typeId, r.bathTemp_F});
    const bool stored = statement.query().next() && statement.query().value(0).toInt() > 0;
    store::throwIfFailed(statement.query());
    statement.finish();
    return stored;
}

bool meansUnreachable(const StoreError& error) {
    return error.number() == StoreError::kServerUnreachable || error.number() == StoreError::kTransactionLost;
}

void diagnose(const QString& what) {
    DiagnosticLog().append(QString::fromLatin1(kLogWhere), what);
}

// The engine's own wait for a lock is off while a reading is stored: the writer waits itself, briefly.
// Every other operation on the connection keeps its wait, restored when this ends.
class EngineLockWaitOff {
  public:
    explicit EngineLockWaitOff(clsConnection& connection) {
        if (!connection.IsOpen() || connection.isServer()) return;
        try {
            db_ = connection.ADOConnection();
            previous_ms_ = store::dialect::lockWait_ms(db_);
            store::dialect::setLockWait_ms(db_, 0);
        } catch (const StoreError& error) {
            previous_ms_ = -1;
            diagnose(QStringLiteral("The wait for a lock could not be set: ") + error.report());
        }
    }
    ~EngineLockWaitOff() {
        if (previous_ms_ < 0) return;
        try {
            store::dialect::setLockWait_ms(db_, previous_ms_);
        } catch (const StoreError& error) {
            diagnose(QStringLiteral("The wait for a lock could not be restored: ") + error.report());
        }
    }
    EngineLockWaitOff(const EngineLockWaitOff&) = delete;
    EngineLockWaitOff& operator=(const EngineLockWaitOff&) = delete;

  private:
    QSqlDatabase db_;
    int previous_ms_ = -1;
};

}  // namespace

SpoolingReadingWriter::SpoolingReadingWriter(clsConnection& connection, const QString& spoolPath)
    : connection_(connection),
      record_(std::make_unique<clsTEST_RESULT>()),
      spoolPath_(spoolPath.isEmpty() ? QDir::current().absoluteFilePath(QString::fromLatin1(kSpoolFileName))
                                     : spoolPath),
      writerId_(QUuid::createUuid().toString(QUuid::WithoutBraces)),
      retryInterval_ms_(connection.isServer() ? kRetryInterval_ms : kFileRetryInterval_ms),
      wait_([](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }) {
    timer_.setInterval(connection.isServer() ? kTimerInterval_ms : kFileTimerInterval_ms);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { deliverWaiting(); });
    // Readings an earlier run could not store are stored by this one.
    if (QFileInfo::exists(spoolPath_)) {
        try {
            spool();
            timer_.start();
        } catch (const StoreError& error) {
            spoolFailed(error);
        }
    }
}

SpoolingReadingWriter::~SpoolingReadingWriter() {
    // Only the spool is touched here: the database connection may be closing as well.
    if (memory_.empty()) return;
    spillToSpool();
    if (!memory_.empty())
        diagnose(
            QStringLiteral("%1 readings that waited in memory are lost: the program ends and the spool %2 "
                           "cannot be written (%3).")
                .arg(memory_.size())
                .arg(QDir::toNativeSeparators(spoolPath_), spoolFailure_));
}

ReadingSpool& SpoolingReadingWriter::spool() {
    if (!spool_) spool_ = std::make_unique<ReadingSpool>(spoolPath_, connection_.displayName());
    return *spool_;
}

void SpoolingReadingWriter::setIntervals(int timer_ms, int retry_ms) {
    timer_.setInterval(timer_ms);
    retryInterval_ms_ = retry_ms;
}

void SpoolingReadingWriter::startTimer() {
    if (!timer_.isActive()) timer_.start();
}

void SpoolingReadingWriter::attach() {
    if (attachedTo_ == connection_.openSerial()) return;
    record_->ConnectX(connection_);
    attachedTo_ = connection_.openSerial();
}

bool SpoolingReadingWriter::resting() const {
    const auto recent = [this](qint64 ms) { return ms >= 0 && ms < retryInterval_ms_; };
    return (lastAttemptFailed_.isValid() && recent(lastAttemptFailed_.elapsed())) ||
           recent(connection_.msSinceReadingsRefused()) ||
           (connection_.isLost() && recent(connection_.msSinceReconnectFailed()));
}

int SpoolingReadingWriter::spoolCount() const {
    if (!spool_) return 0;
    try {
        return spool_->count();
    } catch (const StoreError& error) {
        // What the spool holds stays in it; it is asked again next time.
        spoolFailed(error);
        return 0;
    }
}

bool SpoolingReadingWriter::anyWaiting() const {
    return !memory_.empty() || spoolCount() > 0;
}

void SpoolingReadingWriter::write(double testId, const Reading& reading, const run_journal::Save* save) {
    hand({testId, reading, true, save ? std::optional<run_journal::Save>(*save) : std::nullopt});
}

void SpoolingReadingWriter::saveRun(const run_journal::Save& save) {
    hand({0, {}, false, save});
}

void SpoolingReadingWriter::hand(const ReadingSpool::Entry& entry) {
    lockWaitLeft_ms_ = kReadingLockWait_ms;
    // Readings reach the database in the order they were taken: while some wait, this one joins them,
    // unless they could all be stored first.
    const bool queued = anyWaiting();
    if ((queued && !deliver(false)) || (!queued && resting())) {
        keep(entry, false);
        return;
    }
    try {
        storeDirectly(entry);
    } catch (const StoreError& error) {
        if (error.number() == StoreError::kTestGone) throw;
        failed(error, meansUnreachable(error));
        // A store that broke off with the connection may have reached the server before it broke.
        keep(entry, entry.hasReading && error.number() == StoreError::kServerUnreachable);
        return;
    }
    recovered();
}

void SpoolingReadingWriter::tryWithShortLockWait(const std::function<void()>& attempt) {
    const store::Engine engine = connection_.location().engine;
    for (;;) {
        try {
            attempt();
            return;
        } catch (const StoreError& error) {
            if (lockWaitLeft_ms_ <= 0 || !store::dialect::isLockedOut(engine, error)) throw;
        }
        const int step_ms = std::min(kLockPoll_ms, lockWaitLeft_ms_);
        wait_(step_ms);
        lockWaitLeft_ms_ -= step_ms;
    }
}

void SpoolingReadingWriter::storeDirectly(const ReadingSpool::Entry& entry) {
    EngineLockWaitOff engineWait(connection_);
    bool stored = false;
    tryWithShortLockWait([&] {
        // A reading and its run's save together or not at all.
        std::optional<store::Transaction> transaction;
        if (entry.save) transaction.emplace(connection_);
        if (entry.hasReading) {
            attach();
            record_->setTest_Id(static_cast<int>(entry.testId));
            SetReading(*record_, entry.reading);
            stored = record_->AddNewForStoredTest();
        }
        if (entry.save && (stored || !entry.hasReading)) run_journal::save(connection_, *entry.save);
        if (transaction) transaction->commit();
    });
    if (entry.hasReading && !stored)
        throw StoreError(StoreError::kTestGone, QString::fromLatin1(kTestGoneText).arg(entry.testId));
}

void SpoolingReadingWriter::keep(const ReadingSpool::Entry& entry, bool outcomeUnknown) {
    // A reading of unknown outcome is checked before it is sent again; it can be one only when nothing of
    // the database waits before it.
    if (memory_.empty()) {
        try {
            ReadingSpool& s = spool();
            s.append(entry, writerId_, outcomeUnknown && s.count() == 0);
            spoolFailure_.clear();
            startTimer();
            return;
        } catch (const StoreError& error) {
            spoolFailed(error);
        }
    }
    // Once memory holds some, later readings follow them there, so that they stay in order.
    if (memory_.size() >= static_cast<std::size_t>(kMemoryLimit))
        throw StoreError(StoreError::kEngine,
                         QStringLiteral("The reading could be neither stored (%1) nor kept: the spool "
                                        "cannot be written (%2) and %3 readings wait in memory already.")
                             .arg(lastReason_, spoolFailure_)
                             .arg(memory_.size()));
    memory_.push_back({entry, outcomeUnknown && memory_.empty() && spoolCount() == 0});
    startTimer();
}

void SpoolingReadingWriter::spillToSpool() {
    try {
        while (!memory_.empty()) {
            ReadingSpool& s = spool();
            const Kept& k = memory_.front();
            s.append(k.entry, writerId_, k.outcomeUnknown && s.count() == 0);
            memory_.pop_front();
        }
    } catch (const StoreError& error) {
        spoolFailed(error);
    }
}

bool SpoolingReadingWriter::deliverWaiting() {
    lockWaitLeft_ms_ = kReadingLockWait_ms;
    return deliver(false);
}

bool SpoolingReadingWriter::storeWaitingNow() {
    lockWaitLeft_ms_ = kReadingLockWait_ms;
    if (deliver(true)) return true;
    spillToSpool();
    return false;
}

bool SpoolingReadingWriter::deliver(bool atOnce) {
    if (!anyWaiting()) {
        timer_.stop();
        return true;
    }
    if (!atOnce && resting()) return false;
    EngineLockWaitOff engineWait(connection_);
    Delivered done;
    try {
        if (spool_ && !deliverSpool(done)) {
            logDelivered(done);
            return false;
        }
        deliverMemory(done);
    } catch (const StoreError& error) {
        logDelivered(done);
        failed(error, meansUnreachable(error));
        return false;
    }
    logDelivered(done);
    recovered();
    timer_.stop();
    return true;
}

bool SpoolingReadingWriter::deliverSpool(Delivered& done) {
    // Several writers, in this program or another one, share the spool: one sends at a time.
    QLockFile lock(spoolPath_ + QStringLiteral(".lock"));
    if (!lock.tryLock(0)) return false;
    // A spool that cannot be read keeps what it holds; what memory holds is stored meanwhile.
    while (spoolCount() > 0) {
        std::optional<store::Transaction> transaction;
        tryWithShortLockWait([&] { transaction.emplace(connection_); });
        bool unanswered = false;
        std::vector<ReadingSpool::Entry> batch;
        try {
            batch = spool_->nextBatch(kBatchSize, &unanswered);
        } catch (const StoreError& error) {
            spoolFailed(error);
            return true;
        }
        if (batch.empty()) break;
        Delivered inBatch;
        const ReadingSpool::Entry* first = unanswered ? firstReading(batch) : nullptr;
        if (first && isStored(connection_, *first))
            inBatch.stored = static_cast<int>(batch.size());
        else
            insertAll(batch, inBatch);
        transaction->commit();
        done.stored += inBatch.stored;
        done.dropped += inBatch.dropped;
        try {
            spool_->removeClaimed();
        } catch (const StoreError& error) {
            // The batch stays claimed, and is found stored before it would be sent again.
            spoolFailed(error);
            return true;
        }
    }
    return true;
}

void SpoolingReadingWriter::deliverMemory(Delivered& done) {
    while (!memory_.empty()) {
        const std::size_t n = std::min(memory_.size(), static_cast<std::size_t>(kBatchSize));
        std::vector<ReadingSpool::Entry> batch;
        for (std::size_t i = 0; i < n; ++i) batch.push_back(memory_[i].entry);
        std::optional<store::Transaction> transaction;
        tryWithShortLockWait([&] { transaction.emplace(connection_); });
        Delivered inBatch;
        if (memory_.front().outcomeUnknown && batch.front().hasReading &&
            isStored(connection_, batch.front())) {
            ++inBatch.stored;
            batch.erase(batch.begin());
        }
        insertAll(batch, inBatch);
        transaction->commit();
        memory_.erase(memory_.begin(), memory_.begin() + static_cast<std::ptrdiff_t>(n));
        done.stored += inBatch.stored;
        done.dropped += inBatch.dropped;
    }
}

void SpoolingReadingWriter::insertAll(const std::vector<ReadingSpool::Entry>& entries, Delivered& done) {
    attach();
    for (const ReadingSpool::Entry& e : entries) {
        bool stored = !e.hasReading;
        if (e.hasReading) {
            record_->setTest_Id(static_cast<int>(e.testId));
            SetReading(*record_, e.reading);
            stored = record_->AddNewForStoredTest();
            ++(stored ? done.stored : done.dropped);
        }
        // The run's save goes with its reading; a reading of a test that is gone takes its save along.
        if (e.save && stored) run_journal::save(connection_, *e.save);
    }
}

void SpoolingReadingWriter::logDelivered(const Delivered& done) const {
    if (done.stored > 0)
        diagnose(QStringLiteral("%1 waiting readings were stored in %2.")
                     .arg(done.stored)
                     .arg(connection_.displayName()));
    if (done.dropped > 0)
        diagnose(
            QStringLiteral("%1 waiting readings were dropped: their test is no longer stored in %2 (it was "
                           "deleted while it was being recorded).")
                .arg(done.dropped)
                .arg(connection_.displayName()));
}

void SpoolingReadingWriter::spoolFailed(const StoreError& error) const {
    // Written once, and again when the reason changes.
    if (error.description() == spoolFailure_) return;
    spoolFailure_ = error.description();
    diagnose(QStringLiteral("The spool %1 cannot be used (%2); readings that cannot be stored wait in memory "
                            "until the database takes them.")
                 .arg(QDir::toNativeSeparators(spoolPath_), error.report()));
}

void SpoolingReadingWriter::failed(const StoreError& error, bool unreachable) {
    lastAttemptFailed_.start();
    connection_.setReadingsRefused(true);
    const QString failure = error.report();
    // Written once when the database stops taking readings, and again when the reason changes.
    if (failure != lastFailure_)
        diagnose(QStringLiteral(
                     "Readings are kept (in %1, or in memory while it cannot be written) until the %2 takes "
                     "them: %3")
                     .arg(QDir::toNativeSeparators(spoolPath_),
                          connection_.isServer() ? QStringLiteral("server") : QStringLiteral("database"),
                          failure));
    lastFailure_ = failure;
    lastReason_ = error.description();
    unreachable_ = unreachable;
}

void SpoolingReadingWriter::recovered() {
    lastAttemptFailed_.invalidate();
    connection_.setReadingsRefused(false);
    lastFailure_.clear();
    lastReason_.clear();
    unreachable_ = false;
}

int SpoolingReadingWriter::waiting() const {
    try {
        lastWaiting_ = spool_ ? spool_->countOf(writerId_) : 0;
    } catch (const StoreError& error) {
        // What the spool holds stays in it; the count shown is the last one read.
        spoolFailed(error);
    }
    return lastWaiting_ + static_cast<int>(memory_.size());
}

QString SpoolingReadingWriter::statusText() const {
    const int n = waiting();
    if (n == 0) return {};
    const QString inMemory =
        memory_.empty() ? QString() : QString::fromLatin1(kInMemoryNote).arg(memory_.size());
    if (connection_.isServer())
        return QString::fromLatin1(unreachable_ || lastFailure_.isEmpty() ? kUnreachableStatus
                                                                          : kRefusedStatus)
                   .arg(n) +
               inMemory;
    // The count first: a narrow status bar cuts the end.
    const QString text = QString::fromLatin1(kFileWaitingStatus).arg(n) + inMemory;
    return lastReason_.isEmpty() ? text : text + QStringLiteral(" (%1)").arg(lastReason_);
}

std::unique_ptr<ReadingWriter> makeReadingWriter(clsConnection& connection) {
    return std::make_unique<SpoolingReadingWriter>(connection);
}
