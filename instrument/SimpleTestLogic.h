#pragma once

#include "instrument/UnitPoller.h"
#include "instrument/UnitPort.h"

#include <QString>
#include <QTime>

#include <array>
#include <functional>
#include <memory>

class Messenger;

// What the simple-test window (frmSimpleTest) does, without the window: the operator's bob, temperature and
// speed, Start with its checks, the tick that drives the unit by hand, Stop, the high-temperature guard,
// and whether the window may close. Nothing is stored.
class SimpleTestLogic {
  public:
    // A bob of the selector, with the values the window has always used (fixed, not recomputed).
    struct Bob {
        const char* name;
        double radius_cm;
        double length_cm;
        double stressFactor;
        double rateRatio;  // shear rate per rpm relative to the B5 bob
    };
    static const std::array<Bob, 6> kBobs;

    static inline const QString kSetPointFirst = QStringLiteral("Set point first");
    static inline const QString kInvalidTemperature =
        QStringLiteral("Invalid input for temperature setpoint ");
    static inline const QString kInvalidSpeed = QStringLiteral("Invalid input for motor speed setpoint ");
    static inline const QString kHighTemperatureText = QStringLiteral(" Shut down due to high temperture.");
    static inline const QString kMustStop = QStringLiteral("Must stop test before exiting");
    static inline const QString kNoExit = QStringLiteral("Function No Exit unless Units are Stopped");
    static inline const QString kStartTimePrefix = QStringLiteral("Start Time: ");
    static inline const QString kElapsedPrefix = QStringLiteral("Elapsed Time: ");

    static constexpr double kMaxTemperature_F = 450;
    static constexpr double kMaxSpeed_rpm = 600;
    static constexpr int kTickInterval_ms = 1000;
    static constexpr int kSetPointTickInterval_ms = 3000;

    enum class StartOutcome {
        Started,
        AlreadyStarted,      // nothing happens
        MissingSetPoint,     // "Set point first"
        InvalidTemperature,  // the focus goes to txtTempSetPoint
        InvalidSpeed,        // the focus goes to txtSpeedSet
    };

    // Takes the unit's port object (made by the host's factory, not yet open); it must not be null.
    SimpleTestLogic(std::unique_ptr<UnitPort> port, Messenger& messenger);

    UnitPort& port() { return *port_; }
    void openPort(int portNumber) { port_->open(portNumber); }  // throws UnitPortError
    void closePort() { port_->close(); }

    // The unit number the refusal log names (from the window's lblInstName).
    void setUnitNumber(int unit) { unitNumber_ = unit; }
    void setMessageTitle(const QString& title) { title_ = title; }
    void setClock(std::function<QTime()> clock) { clock_ = std::move(clock); }

    // Chooses bob 0 ... 5 of kBobs; other indexes are ignored.
    void selectBob(int index);
    int bobIndex() const { return bobIndex_; }

    // cmdStart: checks the two set points as typed, then starts.
    StartOutcome start(const QString& tempText, const QString& speedText);
    // cmdStop and the high-temperature guard: stop command, Exit enabled, not started. Polling goes on.
    void shutDown();
    // One timer tick. Never throws.
    void tick();

    // Closing the window: the refusal to show, or empty when the window may close. The Exit button and the
    // close box refuse with different texts.
    QString closeRefusal(bool fromExitButton) const;

    bool started() const { return started_; }
    int runTick() const { return runTick_; }
    double tempSetPoint_F() const { return tempSetPoint_F_; }
    double shearRateSet_1ps() const { return shearRateSet_1ps_; }
    int unitState() const { return poller_.display().unitState(); }

    const UnitDisplayTexts& texts() const { return poller_.texts(); }
    const UnitReadings& readings() const { return poller_.display().readings(); }
    const QString& startTimeText() const { return startTime_; }
    const QString& elapsedTimeText() const { return elapsed_; }
    bool exitEnabled() const { return exitEnabled_; }
    int timerInterval_ms() const { return timerInterval_ms_; }
    UnitPoller& poller() { return poller_; }

  private:
    std::unique_ptr<UnitPort> port_;
    Messenger& messenger_;
    UnitPoller poller_;
    std::function<QTime()> clock_ = [] { return QTime::currentTime(); };
    QString title_;
    int unitNumber_ = 0;
    int bobIndex_ = 0;
    bool started_ = false;
    int runTick_ = 0;
    double tempSetPoint_F_ = 0;
    double shearRateSet_1ps_ = 0;
    QString startTime_;
    QString elapsed_;
    bool exitEnabled_ = true;
    int timerInterval_ms_ = kTickInterval_ms;
};
