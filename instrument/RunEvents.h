#pragma once

#include "notify/EventSink.h"
#include "store/RunJournal.h"

#include <QString>

// The events of one run on a unit, each with the unit, the test and the sequence, and the one place their
// texts are made. The engine raises the moments of its run (started, ended, stopped, shut down, refused, a
// ramp's time passed outside its band); watch(), once a tick while it records, sees the states that last
// (a silent unit, a lost port, readings that wait for the database) and raises their start and end once
// each. Raising hands the event to the sink and returns: delivery is never the tick's.
class RunEvents {
  public:
    // A unit this long without a status reply, and readings this long waiting, are told.
    static constexpr double kSilentAfter_s = 60;
    static constexpr double kWaitingAfter_s = 60;

    void setSink(EventSink* sink) { sink_ = sink; }

    // What every event of the run carries, from its start on.
    void begin(int unit, const QString& test, const QString& sequence, double now_s);

    void started();
    // An interrupted run goes on.
    void resumed();
    void ended();
    // why: the engine's words for the end ("The test was stopped.").
    void stopped(const QString& why);
    void viscosityShutDown(double shutDownVisc_cP);
    void pressureRefused(double pressure_psi);
    // A ramp's time has passed; told once per ramp when the sample is outside its start error band.
    void rampTimePassed(int ramp, double temp_F, double startError_F, double sample_F);

    // A run the journal shows interrupted (its program or the station stopped), found at start-up.
    static NotifyEvent interrupted(const run_journal::Run& run);

    // Once a tick while the run records: replies so far, the port lost, readings waiting for the database.
    void watch(double now_s, qint64 replies, bool portLost, int waitingReadings);

  private:
    void raise(EventKind kind, const QString& text);
    QString testOnUnit() const;

    EventSink* sink_ = nullptr;
    int unit_ = 0;
    QString test_;
    QString sequence_;
    qint64 replies_ = -1;
    double lastReply_s_ = 0;
    bool silent_ = false;
    bool portLost_ = false;
    double waitingSince_s_ = -1;
    bool waitingTold_ = false;
    int rampTold_ = 0;
};
