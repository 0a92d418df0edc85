#include "instrument/UnitStatusWriter.h"

#include "common/ApparentViscosity.h"
#include "instrument/RunContext.h"
#include "instrument/UnitWindowLogic.h"
#include "store/ReadingWriter.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSysInfo>

#include <chrono>
#include <memory>

namespace {

// How often the thread looks for statuses that are due.
constexpr auto kLookInterval = std::chrono::milliseconds(500);

}  // namespace

UnitStatusWriter::UnitStatusWriter(const store::DatabaseLocation& location, const QString& program,
                                   const DiagnosticLog& log)
    : location_(location), program_(program), station_(station()), log_(log) {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    now_ms_ = [timer] { return timer->elapsed(); };
    thread_ = std::thread([this] { runThread(); });
}

UnitStatusWriter::~UnitStatusWriter() {
    {
        std::lock_guard lock(mutex_);
        for (auto& [unit, pending] : pending_) pending.released = true;
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

QString UnitStatusWriter::station() {
    return QSysInfo::machineHostName();
}

void UnitStatusWriter::setClock(std::function<qint64()> now_ms) {
    std::lock_guard lock(mutex_);
    now_ms_ = std::move(now_ms);
}

void UnitStatusWriter::offer(store::UnitStatusRow status) {
    if (status.station.isEmpty()) status.station = station_;
    if (status.program.isEmpty()) status.program = program_;
    if (!status.time.isValid()) status.time = QDateTime::currentDateTimeUtc();
    std::lock_guard lock(mutex_);
    Pending& pending = pending_[status.unit];
    pending.status = std::move(status);
    pending.hasStatus = true;
    pending.released = false;
}

void UnitStatusWriter::release(int unit) {
    {
        std::lock_guard lock(mutex_);
        const auto found = pending_.find(unit);
        if (found == pending_.end()) return;
        found->second.released = true;
    }
    wake_.notify_all();
}

bool UnitStatusWriter::flush() {
    std::unique_lock lock(mutex_);
    const int ticket = ++flushRequests_;
    wake_.notify_all();
    flushed_.wait(lock, [&] { return flushesDone_ >= ticket; });
    return lastFlushOk_;
}

void UnitStatusWriter::runThread() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait_for(lock, kLookInterval, [&] { return stopping_ || flushRequests_ > flushesDone_; });
        const bool force = stopping_ || flushRequests_ > flushesDone_;
        const int tickets = flushRequests_;
        lock.unlock();
        const bool ok = writeDue(force);
        lock.lock();
        if (force) {
            flushesDone_ = tickets;
            lastFlushOk_ = ok;
            flushed_.notify_all();
        }
        if (stopping_) break;
    }
    lock.unlock();
    connection_.reset();  // on the thread that opened it
}

bool UnitStatusWriter::writeDue(bool force) {
    std::map<int, Pending> due;
    qint64 now = 0;
    {
        std::lock_guard lock(mutex_);
        now = now_ms_();
        for (auto& [unit, pending] : pending_) {
            const bool intervalPassed =
                pending.lastWrite_ms < 0 || now - pending.lastWrite_ms >= kWriteInterval_ms;
            if (pending.released || (pending.hasStatus && (force || intervalPassed))) due[unit] = pending;
        }
    }
    bool allOk = true;
    for (const auto& [unit, pending] : due) {
        const bool ok = writeOne(unit, pending);
        allOk = allOk && ok;
        std::lock_guard lock(mutex_);
        const auto found = pending_.find(unit);
        if (found == pending_.end()) continue;
        found->second.lastWrite_ms = now;  // a failed write is tried again once the interval has passed
        if (!ok) continue;
        if (pending.released && found->second.released) {
            pending_.erase(found);
        } else if (found->second.status == pending.status) {
            found->second.hasStatus = false;  // nothing new since
        }
    }
    return allOk;
}

bool UnitStatusWriter::writeOne(int unit, const Pending& pending) {
    try {
        // The status never makes a database: a file the program has not opened is not one to write to.
        if (location_.engine == store::Engine::Sqlite && !QFileInfo::exists(location_.filePath))
            throw StoreError(StoreError::kNotOpen,
                             QStringLiteral("The database file %1 does not exist.").arg(location_.filePath));
        if (!connection_) {
            auto connection = std::make_unique<clsConnection>();
            connection->setLocation(location_);
            connection->setBusyTimeout_ms(kBusyTimeout_ms);
            connection->OpenDB();
            if (!connection->IsOpen() && !connection->isLost())
                throw StoreError(StoreError::kNotOpen, connection->LastError());
            connection_ = std::move(connection);
        }
        if (pending.released)
            store::unit_status::remove(*connection_, station_, unit);
        else
            store::unit_status::upsert(*connection_, pending.status);
        noteOutcome(true, {});
        return true;
    } catch (const StoreError& error) {
        if (error.number() != StoreError::kServerUnreachable) connection_.reset();
        noteOutcome(false, QStringLiteral("The status of unit %1 could not be written: %2")
                               .arg(unit)
                               .arg(error.description()));
        return false;
    }
}

void UnitStatusWriter::noteOutcome(bool ok, const QString& problem) {
    if (ok) {
        if (failing_)
            log_.append(kLogWhere,
                        QStringLiteral("The unit statuses are written again (%1 writes had failed).")
                            .arg(failuresInStreak_));
        failing_ = false;
        failuresInStreak_ = 0;
        return;
    }
    ++failuresInStreak_;
    if (!failing_) log_.append(kLogWhere, problem + QStringLiteral(" It is tried again."));
    failing_ = true;
}

store::UnitStatusRow describeUnit(int unit, const UnitWindowLogic& logic, const RunContext* run,
                                  const QString& sequenceName, const ReadingWriter* writer) {
    using store::UnitActivity;
    store::UnitStatusRow status;
    status.unit = unit;
    status.stateText = logic.texts().activeFlag;
    const bool running = run && run->running();
    if (logic.failures().count(TickFailureKind::Link) > 0)
        status.activity = UnitActivity::PortLost;
    else if (logic.texts().activeFlag == UnitPoller::kNoResponseText)
        status.activity = UnitActivity::NotAnswering;
    else if (running)
        status.activity = run->state == RunState::ShearRateRamp ? UnitActivity::ShearRateRamp
                                                                : UnitActivity::TemperatureRamp;
    if (running) {
        status.testName = run->testName;
        status.rampNo = run->rampIndex;
        status.stepNo = run->stepIndex;
    }
    status.sequenceName = sequenceName;
    const UnitReadings& readings = logic.readings();
    status.sampleTemp_F = readings.sampleTemp_F;
    status.bathTemp_F = readings.bathTemp_F;
    status.setPoint_F = readings.tempSetPoint_F;
    status.pressure_psi = readings.pressure_psi;
    status.shearRate_1ps = readings.shearRate_1ps;
    status.shearStress_dyncm2 = readings.shearStress;
    status.viscosity_cP = readings.shearRate_1ps >= kStatusViscosityLeastRate_1ps
                              ? StatusViscosity(readings.shearRate_1ps, readings.shearStress)
                              : 0;
    if (writer) status.readingsWaiting = writer->waiting();
    return status;
}
