#pragma once

#include "instrument/SequenceSending.h"
#include "instrument/UnitPoller.h"
#include "instrument/UnitPort.h"
#include "sequence/SequenceData.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Messenger;
class SequenceStore;
class clsConnection;

// The texts of a unit window's status bar.
struct UnitStatusBarTexts {
    QString startTime;    // panel "StartTime"
    QString message;      // panel 2 ("test in jogging.", a lost connection)
    QString elapsedTime;  // panel "ElapsedTime"
    QString sequence;     // panel 4: the outcome of a sequence download
};

// What a sequence-test window (frmRealTime) does, without the window: it owns the unit's port, polls the
// unit on every tick, keeps the display texts, the chosen sequence and its download, and sends the single
// commands. The window's timer calls tick(); its buttons call the other members and copy what they show.
//
// The test run plugs into the tick through the run frame: while its state is 1 (temperature ramp) or 6
// (shear-rate ramp) the tick counts the elapsed seconds, calls the run step, and shows the elapsed time.
class RealTimeUnit {
  public:
    static inline const QString kElapsedPrefix = QStringLiteral("Elapsed Time: ");
    static inline const QString kJoggingText = QStringLiteral("test in jogging.");
    static inline const QString kSetPointQuestion =
        QStringLiteral("Do you reall want to change the temperature setpoint? ");
    static inline const QString kSetPointQuestionTitle = QStringLiteral("Change Confirmation.");
    static inline const QString kConnectionLostPrefix = QStringLiteral("Connection lost: ");
    static constexpr int kTickInterval_ms = 1000;

    // The state the test run shares with the tick.
    struct RunFrame {
        int state = 0;      // 0 idle, 1 temperature ramp, 6 shear-rate ramp
        int phaseTick = 0;  // ticks since the current ramp's temperature phase began
        qint64 elapsed_s = 0;
    };
    // One run step inside a tick; false ends the tick there.
    using RunStep = std::function<bool()>;

    // Takes the unit's port object (made by the host's factory, not yet open); it must not be null.
    RealTimeUnit(std::unique_ptr<UnitPort> port, Messenger& messenger);
    ~RealTimeUnit();
    RealTimeUnit(const RealTimeUnit&) = delete;
    RealTimeUnit& operator=(const RealTimeUnit&) = delete;

    // The port; opened by the host, closed when the window unloads.
    UnitPort& port() { return *port_; }
    void openPort(int portNumber) { port_->open(portNumber); }  // throws UnitPortError
    void closePort() { port_->close(); }

    // Attaches the sequence records to the main window's connection.
    void InitialInst(clsConnection& connection);

    // Title of the messages this unit shows (the window's caption).
    void setMessageTitle(const QString& title) { title_ = title; }
    // How the download waits; tests advance a simulated unit instead.
    void setWait(SequenceSending::Wait wait) { wait_ = std::move(wait); }
    void setRunStep(RunStep step) { runStep_ = std::move(step); }

    // One timer tick. Never throws: a failure ends the tick silently and the next one starts afresh.
    void tick();

    // The stored sequence names, for the name dialog; a database failure is shown and gives none.
    QStringList sequenceNames();
    // Loads the sequence of that name as the selected one. An empty name changes nothing; a name no longer
    // stored, or a database failure, is shown and keeps the previous selection. True when loaded.
    bool selectSequence(const QString& name);
    const QString& selectedName() const { return selectedName_; }
    const StoredSequence& sequence() const { return sequence_; }

    // cmdSend_Click without the timer, which the window stops and restarts around it.
    void sendSequence();

    // The single commands. A port failure is shown to the operator; nothing is thrown.
    void zero();
    void preheat(const QString& temperatureText);
    void raiseBath();
    void dropBath();
    void jog();
    // Stops the unit (the Stop button and the end of a run). The window goes on polling.
    void shutDown();
    // txtTempSetPoint lost the focus: asks, and whatever the answer nothing changes.
    void confirmSetPointChange();

    // What the window shows.
    const UnitDisplayTexts& texts() const { return poller_.texts(); }
    const UnitReadings& readings() const { return poller_.display().readings(); }
    const UnitStatusBarTexts& statusBar() const { return statusBar_; }
    bool exitEnabled() const { return exitEnabled_; }
    bool raiseBathEnabled() const { return raiseBathEnabled_; }
    int timerInterval_ms() const { return timerInterval_ms_; }

    RunFrame& run() { return run_; }
    UnitPoller& poller() { return poller_; }

  private:
    bool sendCommand(const QByteArray& bytes);
    void showLink();

    std::unique_ptr<UnitPort> port_;
    Messenger& messenger_;
    UnitPoller poller_;
    std::unique_ptr<SequenceStore> store_;
    SequenceSending::Wait wait_ = SequenceSending::portDelay;
    RunStep runStep_;
    RunFrame run_;
    QString title_;
    QString selectedName_;
    StoredSequence sequence_;
    UnitStatusBarTexts statusBar_;
    QString lostText_;
    bool exitEnabled_ = true;
    bool raiseBathEnabled_ = true;
    int timerInterval_ms_ = kTickInterval_ms;
};
