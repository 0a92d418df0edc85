#pragma once

#include "instrument/DataRetrieval.h"
#include "instrument/RunContext.h"
#include "instrument/SequenceSending.h"
#include "instrument/UnitWindowLogic.h"
#include "link/UnitExchange.h"
#include "sequence/SequenceData.h"
#include "testinfo/TestInfoInput.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class Messenger;
class SequenceStore;
class clsConnection;

// What a sequence-test window (frmRealTime) does, without the window: it owns the unit's port, polls the
// unit on every tick, keeps the display texts, the chosen sequence and its download, and sends the single
// commands. The window's timer calls tick(); its buttons call the other members and copy what they show.
//
// A test run (TestRunEngine) drives the unit's ticks with tick(run, step): the tick polls as the run stands
// and then takes the run's step. The run keeps its own context; the unit only reads it for the tick's poll.
// A run step that throws ends the tick and is reported by the tick frame (UnitWindowLogic); a StoreError is
// a reading that could not be stored. A step that catches a failure itself and goes on reports it with
// reportFailure().
class RealTimeUnit : public UnitWindowLogic {
  public:
    static inline const QString kJoggingText = QStringLiteral("test in jogging.");
    static inline const QString kSetPointQuestion =
        QStringLiteral("Do you reall want to change the temperature setpoint? ");
    static inline const QString kSetPointQuestionTitle = QStringLiteral("Change Confirmation.");

    // Ticks of a temperature ramp's phase: its set point goes out on the first (no status query then), and
    // the unit's answer to it is read and dropped on the second.
    static constexpr int kSetPointTick = 1;
    static constexpr int kSetPointAnswerTick = 2;

    // Takes the unit's port object (made by the host's factory, not yet open); it must not be null.
    RealTimeUnit(std::unique_ptr<UnitPort> port, Messenger& messenger);
    ~RealTimeUnit() override;

    // Attaches the sequence records to the main window's connection; the diagnostic log goes beside its
    // database.
    void InitialInst(clsConnection& connection);

    using UnitWindowLogic::tick;
    // One tick driven by a run: the tick frame, the poll as the run stands (the tick that sends a
    // temperature set point sends no status query, and the tick after it reads the unit's answer and drops
    // it), then, while the run runs, its step. Never throws.
    void tick(const RunContext& run, const std::function<void()>& step);
    // A run records on this unit: what must wait for its end (a retrieval) is refused meanwhile.
    void setRunActive(bool active) { runActive_ = active; }
    bool runActive() const { return runActive_; }
    // The unit's clock: monotonic seconds (the steady clock unless told; a scaled one for demonstrations,
    // a simulated unit's own clock in tests). A run's elapsed time is measured on it.
    void setClock(std::function<double()> now_s) { clock_ = std::move(now_s); }
    double now_s() const { return clock_(); }

    // The stored sequence names, for the name dialog; a database failure is shown and gives none.
    QStringList sequenceNames();
    // Loads the sequence of that name as the selected one. An empty name changes nothing; a name no longer
    // stored, or a database failure, is shown and keeps the previous selection. True when loaded.
    bool selectSequence(const QString& name);
    const QString& selectedName() const { return selectedName_; }
    const StoredSequence& sequence() const { return sequence_; }

    // ---- exchanges that wait for the unit outside the tick ----
    // The window stops its timer, starts one of them, waits the seconds returned and calls
    // continueExchange() after each wait until it returns nothing; the outcome is then shown (status bar,
    // messages) and the window restarts its timer. Nothing returned at the start: nothing was started, or it
    // is over already (refused, cancelled, the port failed at once). While one runs every command is refused.
    static inline const QString kSendingText = QStringLiteral("Sending the sequence to R7716 ...");
    static inline const QString kRetrievingText = QStringLiteral("Retrieving the last result ...");
    static inline const QString kRetrieveWhileRunningText = QStringLiteral(
        "A test is running on this unit. Please stop it before retrieving the last result: the retrieved "
        "readings would be mixed with the running test.");

    // cmdSend_Click: announce and sequence, then the acknowledgement after the wait.
    UnitExchange::Next sendSequence();
    // cmdRetrieve_Click: refused while a test runs; asks for the new test's data (the dialog's own bob),
    // takes the shear-rate and stress factors of the bob chosen there, then the data request. The test is
    // stored only once the whole transfer has come and been checked.
    UnitExchange::Next retrieveData(const TestInfoAsker& askTestInfo);
    UnitExchange::Next continueExchange();
    // The window closes meanwhile: the exchange ends where it is, nothing is stored.
    void abandonExchange();
    bool exchangeRunning() const { return exchange_ != nullptr; }
    // The outcome of the retrieval that ended last, once: the window shows the stored test.
    std::optional<RetrievalResult> takeRetrieval() { return std::exchange(retrieval_, std::nullopt); }

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

    bool raiseBathEnabled() const { return raiseBathEnabled_; }

    // What the run engine sets on the window: the timer's next interval, Exit, Raise Bath and the start time.
    void setTimerInterval(int interval_ms) { timerInterval_ms_ = interval_ms; }
    void setExitEnabled(bool enabled) { exitEnabled_ = enabled; }
    void setRaiseBathEnabled(bool enabled) { raiseBathEnabled_ = enabled; }
    void setStartTimeText(const QString& text) { statusBar_.startTime = text; }
    void setElapsedText(const QString& text) { statusBar_.elapsedTime = text; }

  protected:
    void tickSteps() override;

  private:
    // Reads the replies and sends the status query as the run (none: idle) stands.
    void poll(const RunContext* run);
    bool sendCommand(const QByteArray& bytes);
    UnitExchange::Next startExchange(std::unique_ptr<UnitExchange> exchange, std::function<void()> finished);
    UnitExchange::Next follow(UnitExchange::Next next);

    std::unique_ptr<SequenceStore> store_;
    clsConnection* connection_ = nullptr;
    std::unique_ptr<UnitExchange> exchange_;
    std::function<void()> exchangeFinished_;
    std::optional<RetrievalResult> retrieval_;
    std::function<double()> clock_;
    bool runActive_ = false;
    QString selectedName_;
    StoredSequence sequence_;
    bool raiseBathEnabled_ = true;
};
