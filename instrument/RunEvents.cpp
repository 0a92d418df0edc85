#include "instrument/RunEvents.h"

#include "common/VbFormat.h"

#include <cmath>

namespace {

QString number(double value) {
    return vb::Format(value, QStringLiteral("0.#"));
}

}  // namespace

void RunEvents::begin(int unit, const QString& test, const QString& sequence, double now_s) {
    unit_ = unit;
    test_ = test;
    sequence_ = sequence;
    replies_ = -1;
    lastReply_s_ = now_s;
    silent_ = portLost_ = waitingTold_ = false;
    waitingSince_s_ = -1;
    rampTold_ = 0;
}

QString RunEvents::testOnUnit() const {
    return QStringLiteral("Test \"%1\" on Unit %2").arg(test_, QString::number(unit_));
}

void RunEvents::raise(EventKind kind, const QString& text) {
    if (!sink_) return;
    NotifyEvent e = NotifyEvent::make(kind, text);
    e.unit = unit_;
    e.test = test_;
    e.sequence = sequence_;
    sink_->raise(e);
}

void RunEvents::started() {
    raise(EventKind::TestStarted,
          testOnUnit() + QStringLiteral(" started (sequence \"%1\").").arg(sequence_));
}

void RunEvents::resumed() {
    raise(EventKind::TestStarted,
          testOnUnit() + QStringLiteral(" resumed recording after its run was interrupted (sequence \"%1\").")
                             .arg(sequence_));
}

NotifyEvent RunEvents::interrupted(const run_journal::Run& run) {
    NotifyEvent e = NotifyEvent::make(
        EventKind::RunInterrupted,
        QStringLiteral(
            "The run of test \"%1\" on Unit %2 was interrupted: its program or the station stopped "
            "(last seen %3). Resume it or end it at the station.")
            .arg(run.testName, QString::number(run.unit),
                 run.lastSeen.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    e.unit = run.unit;
    e.test = run.testName;
    e.sequence = run.sequenceName;
    return e;
}

void RunEvents::ended() {
    raise(EventKind::TestEnded, testOnUnit() + QStringLiteral(" ended: its sequence is done."));
}

void RunEvents::stopped(const QString& why) {
    raise(EventKind::TestStopped, testOnUnit() + QStringLiteral(" stopped recording: ") + why);
}

void RunEvents::viscosityShutDown(double shutDownVisc_cP) {
    raise(EventKind::ShutDownLowViscosity,
          testOnUnit() + QStringLiteral(" shut down: the average viscosity fell below %1 cP.")
                             .arg(number(shutDownVisc_cP)));
}

void RunEvents::pressureRefused(double pressure_psi) {
    raise(EventKind::StartRefusedPressure,
          testOnUnit() + QStringLiteral(" was not started: %1 psi is not enough pressure for its "
                                        "high-temperature ramps.")
                             .arg(number(pressure_psi)));
}

void RunEvents::rampTimePassed(int ramp, double temp_F, double startError_F, double sample_F) {
    if (ramp == rampTold_ || std::abs(temp_F - sample_F) <= startError_F) return;
    rampTold_ = ramp;
    raise(EventKind::RampNotReached,
          testOnUnit() + QStringLiteral(": the time of ramp %1 has passed with the sample at %2 °F, outside "
                                        "%3 ± %4 °F; the ramp goes on until it is reached.")
                             .arg(ramp)
                             .arg(number(sample_F), number(temp_F), number(startError_F)));
}

void RunEvents::watch(double now_s, qint64 replies, bool portLost, int waitingReadings) {
    if (replies != replies_) {
        replies_ = replies;
        lastReply_s_ = now_s;
        if (silent_)
            raise(EventKind::UnitBack,
                  QStringLiteral("Unit %1 answers again (test \"%2\").").arg(QString::number(unit_), test_));
        silent_ = false;
    }
    if (portLost != portLost_)
        raise(portLost ? EventKind::PortLost : EventKind::PortBack,
              portLost
                  ? QStringLiteral("The port of Unit %1 was lost while recording test \"%2\"; the program "
                                   "waits for it to come back.")
                        .arg(QString::number(unit_), test_)
                  : QStringLiteral("The port of Unit %1 is back (test \"%2\").")
                        .arg(QString::number(unit_), test_));
    portLost_ = portLost;
    // A lost port silences the unit too; it has been told already.
    if (!silent_ && !portLost && now_s - lastReply_s_ >= kSilentAfter_s) {
        silent_ = true;
        raise(EventKind::UnitSilent,
              QStringLiteral("Unit %1 has sent no status reply for %2 s while recording "
                             "test \"%3\".")
                  .arg(QString::number(unit_), number(kSilentAfter_s), test_));
    }
    if (waitingReadings > 0 && waitingSince_s_ < 0) waitingSince_s_ = now_s;
    if (waitingReadings > 0 && !waitingTold_ && now_s - waitingSince_s_ >= kWaitingAfter_s) {
        waitingTold_ = true;
        raise(EventKind::ReadingsWaiting,
              testOnUnit() + QStringLiteral(": the database has taken no reading for %1 s; %2 readings wait "
                                            "on this station and are stored when it takes them again.")
                                 .arg(number(kWaitingAfter_s))
                                 .arg(waitingReadings));
    }
    if (waitingReadings == 0) {
        if (waitingTold_)
            raise(EventKind::ReadingsStored,
                  testOnUnit() + QStringLiteral(": the waiting readings are stored."));
        waitingTold_ = false;
        waitingSince_s_ = -1;
    }
}
