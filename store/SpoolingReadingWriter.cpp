#include "store/SpoolingReadingWriter.h"

#include "common/DiagnosticLog.h"
#include "store/ReadingSpool.h"
#include "store/StoreError.h"
#include "store/Transaction.h"
#include "store/clsConnection.h"
#include "store/clsTEST_RESULT.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QUuid>

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

}  // namespace

SpoolingReadingWriter::SpoolingReadingWriter(clsConnection& connection, const QString& spoolPath)
    : connection_(connection),
      record_(std::make_unique<clsTEST_RESULT>()),
      spoolPath_(spoolPath.isEmpty() ? QDir::current().absoluteFilePath(QString::fromLatin1(kSpoolFileName))
                                     : spoolPath),
      writerId_(QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    timer_.setInterval(kTimerInterval_ms);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { deliverWaiting(); });
    // Readings an earlier run could not send are sent on by this one.
    if (QFileInfo::exists(spoolPath_)) {
        spool();
        timer_.start();
    }
}

SpoolingReadingWriter::~SpoolingReadingWriter() = default;

ReadingSpool& SpoolingReadingWriter::spool() {
    if (!spool_) spool_ = std::make_unique<ReadingSpool>(spoolPath_, connection_.displayName());
    return *spool_;
}

void SpoolingReadingWriter::setIntervals(int timer_ms, int retry_ms) {
    timer_.setInterval(timer_ms);
    retryInterval_ms_ = retry_ms;
}

void SpoolingReadingWriter::attach() {
    if (attachedTo_ == connection_.openSerial()) return;
    record_->ConnectX(connection_);
    attachedTo_ = connection_.openSerial();
}

bool SpoolingReadingWriter::serverResting() const {
    const auto recent = [this](qint64 ms) { return ms >= 0 && ms < retryInterval_ms_; };
    return (lastAttemptFailed_.isValid() && recent(lastAttemptFailed_.elapsed())) ||
           (connection_.isLost() && recent(connection_.msSinceReconnectFailed()));
}

void SpoolingReadingWriter::write(double testId, const Reading& reading) {
    // Readings reach the server in the order they were taken: while some wait, this one joins them,
    // unless they could all be sent first.
    bool queued = false;
    try {
        queued = spool_ && spool_->count() > 0;
    } catch (const StoreError& error) {
        failed(error.report(), false);
        throw;
    }
    if ((queued && !deliverWaiting()) || (!queued && serverResting())) {
        keep(testId, reading, false, lastFailure_);
        return;
    }
    try {
        storeDirectly(testId, reading);
    } catch (const StoreError& error) {
        failed(error.report(), meansUnreachable(error));
        // A store that broke off with the connection may have reached the server before it broke.
        keep(testId, reading, error.number() == StoreError::kServerUnreachable, error.report());
        return;
    }
    recovered();
}

void SpoolingReadingWriter::storeDirectly(double testId, const Reading& reading) {
    attach();
    record_->setTest_Id(static_cast<int>(testId));
    SetReading(*record_, reading);
    record_->AddNew();
}

void SpoolingReadingWriter::keep(double testId, const Reading& reading, bool outcomeUnknown,
                                 const QString& serverFailure) {
    try {
        ReadingSpool& s = spool();
        // A reading of unknown outcome is a batch of its own, checked before it is sent again; it can be one
        // only when nothing of the database waits before it.
        s.append(testId, reading, writerId_, outcomeUnknown && s.count() == 0);
    } catch (const StoreError& error) {
        throw StoreError(error.number(),
                         QStringLiteral("The reading could be neither stored (%1) nor kept in "
                                        "the spool (%2).")
                             .arg(serverFailure, error.description()));
    }
    if (!timer_.isActive()) timer_.start();
}

bool SpoolingReadingWriter::deliverWaiting() {
    return deliver(false);
}

bool SpoolingReadingWriter::deliver(bool atOnce) {
    try {
        if (!spool_ || spool_->count() == 0) {
            timer_.stop();
            return true;
        }
    } catch (const StoreError& error) {
        failed(error.report(), false);
        return false;
    }
    if (!atOnce && serverResting()) return false;
    // Several writers, in this program or another one, share the spool: one sends at a time.
    QLockFile lock(spoolPath_ + QStringLiteral(".lock"));
    if (!lock.tryLock(0)) return false;
    int sent = 0;
    try {
        for (;;) {
            bool unanswered = false;
            const std::vector<ReadingSpool::Entry> batch = spool_->nextBatch(kBatchSize, &unanswered);
            if (batch.empty()) break;
            store::Transaction transaction(connection_);
            if (!(unanswered && isStored(connection_, batch.front()))) {
                attach();
                for (const ReadingSpool::Entry& e : batch) {
                    record_->setTest_Id(static_cast<int>(e.testId));
                    SetReading(*record_, e.reading);
                    record_->AddNew();
                }
            }
            transaction.commit();
            spool_->removeClaimed();
            sent += static_cast<int>(batch.size());
        }
    } catch (const StoreError& error) {
        failed(error.report(), meansUnreachable(error));
        return false;
    }
    if (sent > 0)
        DiagnosticLog().append(QString::fromLatin1(kLogWhere),
                               QStringLiteral("%1 waiting readings were stored in %2.")
                                   .arg(sent)
                                   .arg(connection_.displayName()));
    recovered();
    timer_.stop();
    return true;
}

void SpoolingReadingWriter::failed(const QString& failure, bool unreachable) {
    lastAttemptFailed_.start();
    // Written once when the server stops taking readings, and again when the reason changes.
    if (failure != lastFailure_)
        DiagnosticLog().append(QString::fromLatin1(kLogWhere),
                               QStringLiteral("Readings are kept in %1 until the server takes them: %2")
                                   .arg(QDir::toNativeSeparators(spoolPath_), failure));
    lastFailure_ = failure;
    unreachable_ = unreachable;
}

void SpoolingReadingWriter::recovered() {
    lastAttemptFailed_.invalidate();
    lastFailure_.clear();
    unreachable_ = false;
}

int SpoolingReadingWriter::waiting() const {
    try {
        lastWaiting_ = spool_ ? spool_->countOf(writerId_) : 0;
    } catch (const StoreError& error) {
        // What the spool holds stays in it; the count shown is the last one read.
        DiagnosticLog().append(QString::fromLatin1(kLogWhere),
                               QStringLiteral("The spool could not be counted: ") + error.report());
    }
    return lastWaiting_;
}

QString SpoolingReadingWriter::statusText() const {
    const int n = waiting();
    if (n == 0) return {};
    return QString::fromLatin1(unreachable_ || lastFailure_.isEmpty() ? kUnreachableStatus : kRefusedStatus)
        .arg(n);
}

std::unique_ptr<ReadingWriter> makeReadingWriter(clsConnection& connection) {
    if (connection.isServer()) return std::make_unique<SpoolingReadingWriter>(connection);
    return std::make_unique<DirectReadingWriter>(connection);
}
