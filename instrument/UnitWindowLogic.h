#pragma once

#include "instrument/StatusDisplay.h"
#include "instrument/TickFailures.h"
#include "instrument/UnitPoller.h"
#include "link/UnitPort.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class Messenger;
class ReadingWriter;

// The texts of a unit window's status bar.
struct UnitStatusBarTexts {
    QString startTime;    // panel "StartTime"
    QString message;      // panel 2: the window's own message ("test in jogging.")
    QString elapsedTime;  // panel "ElapsedTime"
    QString sequence;     // panel 4: the outcome of a sequence download
};

// What the sequence-test and the simple-test window share without a window: the unit's port, the poller
// with the display texts, the status-bar texts, the Exit button and the timer interval, and the frame of
// every timer tick.
//
// The tick frame: count the tick (the no-reply watchdog), then the window's own steps. One failed tick
// never stops polling, and never disappears either: whatever a step throws ends that tick and goes to
// TickFailures (the diagnostic log, and panel 2 of the status bar). A database failure (StoreError) is a
// reading that could not be stored; the operator sees it until confirming it was seen.
class UnitWindowLogic {
  public:
    static constexpr int kTickInterval_ms = 1000;
    static inline const QString kStartTimePrefix = QStringLiteral("Start Time: ");
    static inline const QString kElapsedPrefix = QStringLiteral("Elapsed Time: ");
    static inline const QString kConnectionLostPrefix = TickFailures::kConnectionLostPrefix;
    static inline const QString kNotStoredPrefix = QStringLiteral("Reading not stored: ");
    static inline const QString kTickFailedPrefix = QStringLiteral("Tick failed: ");
    // Our own text, the window's message once readings that waited for the database are all stored.
    static inline const QString kWaitingStored = QStringLiteral("The waiting readings were stored at %1.");

    virtual ~UnitWindowLogic();
    UnitWindowLogic(const UnitWindowLogic&) = delete;
    UnitWindowLogic& operator=(const UnitWindowLogic&) = delete;

    // The port; opened by the host, closed when the window unloads.
    UnitPort& port() { return *port_; }
    void openPort(int portNumber) { port_->open(portNumber); }  // throws UnitPortError
    void closePort();

    // Title of the messages this unit shows (the window's caption).
    void setMessageTitle(const QString& title) { title_ = title; }
    const QString& messageTitle() const { return title_; }
    // The unit as the diagnostic log names it ("Unit 3").
    void setUnitName(const QString& name) { failures_.setWhere(name); }
    // The diagnostic log goes beside this database file (the working directory until told, or when empty).
    void setDatabaseFile(const QString& path);

    // One timer tick. Never throws.
    void tick();

    // A failure that a step caught itself and went on: reported exactly like one that ended the tick.
    void reportFailure(TickFailureKind kind, const QString& what) { failures_.failed(kind, what); }
    // The operator clicked the failure in the status bar.
    void acknowledgeFailures() { failures_.acknowledge(); }
    const TickFailures& failures() const { return failures_; }
    TickFailures& failures() { return failures_; }

    // Closing the window: the refusal to show, or empty when it may close. The Exit button and the close
    // box may refuse with different texts.
    virtual QString closeRefusal(bool fromExitButton) const;

    // What the window shows.
    const UnitDisplayTexts& texts() const { return poller_.texts(); }
    const UnitReadings& readings() const { return poller_.display().readings(); }
    const UnitStatusBarTexts& statusBar() const { return statusBar_; }
    // Panel 2: a failure while there is one to show, else readings that wait for the database ("server
    // unreachable: 12 readings waiting"), else the window's own message (kWaitingStored once they are all
    // stored, until the window says something else).
    QString messagePanelText() const;
    // The writer of the window's live run, whose waiting readings panel 2 shows; null for none.
    void showWaitingReadingsOf(const ReadingWriter* writer) { waitingReadings_ = writer; }
    bool exitEnabled() const { return exitEnabled_; }
    int timerInterval_ms() const { return timerInterval_ms_; }
    UnitPoller& poller() { return poller_; }

  protected:
    // Takes the unit's port object (made by the host's factory, not yet open); it must not be null.
    UnitWindowLogic(std::unique_ptr<UnitPort> port, Messenger& messenger, StatusDisplay::Window window);

    // The window's steps of a tick, after the watchdog. May throw; the frame reports it.
    virtual void tickSteps() = 0;
    // The tick frame around steps: count the tick, run them, report whatever they throw. Never throws.
    void runFrame(const std::function<void()>& steps);
    // Reads what the unit sent (thrown away with discard); a reply that frees Exit does so. The effects of
    // the replies, in order.
    QList<StatusDisplay::Effects> readReplies(bool discard);
    // Sends a single command from a button; a port failure is shown to the operator. True when sent.
    bool sendCommand(const QByteArray& bytes, const QString& failurePrefix);

    std::unique_ptr<UnitPort> port_;
    Messenger& messenger_;
    UnitPoller poller_;
    QString title_;
    UnitStatusBarTexts statusBar_;
    bool exitEnabled_ = true;
    int timerInterval_ms_ = kTickInterval_ms;

  private:
    // Says so in the window's message when the readings that waited are all stored.
    void noteStoredReadings();

    TickFailures failures_;
    const ReadingWriter* waitingReadings_ = nullptr;
    bool readingsWaited_ = false;
};
