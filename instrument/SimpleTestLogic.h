#pragma once

#include "instrument/UnitWindowLogic.h"

#include <QString>
#include <QTime>

#include <array>
#include <functional>
#include <memory>

class Messenger;

// What the simple-test window (frmSimpleTest) does, without the window: the operator's bob, temperature and
// speed, Start with its checks, the tick that drives the unit by hand, Stop, the high-temperature guard,
// and whether the window may close. Nothing is stored.
class SimpleTestLogic : public UnitWindowLogic {
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
    static inline const QString kMustStop = QStringLiteral("Must stop test before exiting");
    static inline const QString kNoExit = QStringLiteral("Function No Exit unless Units are Stopped");

    static constexpr double kMaxTemperature_F = 450;
    static constexpr double kMaxSpeed_rpm = 600;
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

    void setClock(std::function<QTime()> clock) { clock_ = std::move(clock); }

    // Chooses bob 0 ... 5 of kBobs; other indexes are ignored.
    void selectBob(int index);
    int bobIndex() const { return bobIndex_; }

    // cmdStart: checks the two set points as typed, then starts.
    StartOutcome start(const QString& tempText, const QString& speedText);
    // cmdStop and the high-temperature guard: stop command, Exit enabled, not started. Polling goes on.
    void shutDown();
    // Refused while the unit reports a running test or a ramp, whatever the started flag says.
    QString closeRefusal(bool fromExitButton) const override;

    bool started() const { return started_; }
    int runTick() const { return runTick_; }
    double tempSetPoint_F() const { return tempSetPoint_F_; }
    double shearRateSet_1ps() const { return shearRateSet_1ps_; }
    UnitStatus unitState() const { return poller_.display().unitState(); }

  protected:
    void tickSteps() override;

  private:
    std::function<QTime()> clock_ = [] { return QTime::currentTime(); };
    int bobIndex_ = 0;
    bool started_ = false;
    int runTick_ = 0;
    double tempSetPoint_F_ = 0;
    double shearRateSet_1ps_ = 0;
};
