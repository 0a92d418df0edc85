#pragma once

#include "link/StatusParser.h"

#include <QString>

// The values a unit window keeps from the status replies: what the test-run engine averages and stores.
struct UnitReadings {
    double sampleTemp_F = 0;
    double bathTemp_F = 0;
    double tempSetPoint_F = 0;
    double pressure_psi = 0;
    double shearRate_1ps = 0;
    double shearStress = 0;  // dyn/cm2 for the mounted bob (bob stress factor applied)
};

// The texts of a unit window's display boxes.
struct UnitDisplayTexts {
    QString activeFlag;    // lblActiveFlag
    QString sampleTemp;    // txtSampleTemp
    QString bathTemp;      // txtBathTemp (txtbathtemp in the simple test)
    QString tempSetPoint;  // txtTempSetPoint (the real-time window only)
    QString speed;         // txtSpeed
    QString shearRate;     // txtShearRate
    QString shearStress;   // txtShearStress
    QString visc;          // txtVisc
    QString pressure;      // txtPressure
};

// What a status reply does to a unit window, field by field as the parser takes them: the box texts,
// the readings, and the two effects on the window (the Exit button, the simple test's high-temperature
// shut-down). A reply cut short changes only what it got to. No widget: the window copies the texts.
class StatusDisplay {
  public:
    enum class Window { RealTime, SimpleTest };

    struct Effects {
        bool enableExit = false;               // the unit is cooling down
        bool highTemperatureShutDown = false;  // simple test: sample or bath above 450 F
    };

    static inline const QString kHighTemperatureText = QStringLiteral(" Shut down due to high temperture.");
    static constexpr double kHighTemperature_F = 450.0;

    explicit StatusDisplay(Window window = Window::RealTime) : window_(window) {}

    // Shear rate per rpm (the simple test's rate ratio) and the bob stress factor. Before a test has
    // computed them the rate factor is 0 and the stress factor 1.
    void setFactors(double shearRateFactor, double bobStressFactor) {
        shearRateFactor_ = shearRateFactor;
        bobStressFactor_ = bobStressFactor;
    }

    Effects apply(const StatusReply& reply);

    const UnitDisplayTexts& texts() const { return texts_; }
    const UnitReadings& readings() const { return readings_; }
    UnitReadings& readings() { return readings_; }  // ShutDown zeroes the set point
    // A run's stored average: the current readings until the next reply, as the unit window has always
    // shown them.
    void showAverage(const UnitReadings& average) { readings_ = average; }
    // The status of the last reply (the simple test's unit state); Unknown before any.
    UnitStatus unitState() const { return unitState_; }

    // The unit-state text of a status; empty for one that leaves the label as it is.
    static QString stateText(UnitStatus status);
    // The same for a status code as received.
    static QString stateText(int code) { return stateText(static_cast<UnitStatus>(code)); }
    // Elapsed seconds as the status bar shows them: "Short Time" of the day fraction, ":", seconds "00".
    // Hours wrap at a day (90000 s is 01:00:00).
    static QString elapsedText(qint64 seconds);

  private:
    Window window_;
    double shearRateFactor_ = 0;
    double bobStressFactor_ = 1.0;
    UnitDisplayTexts texts_;
    UnitReadings readings_;
    UnitStatus unitState_ = UnitStatus::Unknown;
};
