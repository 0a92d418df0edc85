#pragma once

#include <QString>

#include <array>
#include <cmath>
#include <span>

// The bobs a unit can be calibrated with, and the factor that turns the stress the unit reports (always
// for the reference bob B5 at the speeds it runs) into the stress the chosen bob sees, in the order of the
// window's bob list. 0.443326 is the shear-rate ratio of B2 to B5, 1.696 and 0.8594 the squared radius
// ratios (1.5987 / r)^2 of B2 and B1, 8.785 / 7.62 the length ratio of the extended bobs.
struct CalibrationBob {
    const char* name;
    double factor;
};
inline constexpr double kExtendedBobRatio = 8.785 / 7.62;
inline constexpr std::array<CalibrationBob, 6> kCalibrationBobs = {{
    {"B5", 1.0},
    {"B2", 0.443326 / 1.696},
    {"B1", 2.002 / 0.8594},
    {"XB5", kExtendedBobRatio},
    {"XB2", 0.443326 / 1.696 * kExtendedBobRatio},
    {"XB1", 2.002 / 0.8594 * kExtendedBobRatio},
}};

// The calibration line stress = c0 + c1 x voltage through all the points of a run, the run's quality
// value, and what may be done with the line.
//
// The quality value (the report's "Least square error is:") is r^2 of LinearFit through the ten points
// with list indexes 6 to 15, as every calibration report has given it. It needs 16 points; a run with
// fewer reports 0 and is judged poor.
//
// A line that is not finite or does not rise is never sent: sixteen points of equal stress fit c0 = 0,
// c1 = 0, which would wipe the unit's torque calibration. Nor is one through fewer than two points or
// equal voltages, where no line exists. A line that rises is sent, and judged poor when fewer than
// kMinimumPoints points arrived (the unit's sequence was cut short) or when the points scatter about it:
// r^2 of that line over all the points below kMinimumR2 (a loose lock nut, a rubbing shaft).
struct CalibrationLine {
    static constexpr int kMinimumPoints = 16;
    static constexpr int kQualityFirst = 6;  // list indexes of the points the quality value is fitted to
    static constexpr int kQualityLast = 15;
    static constexpr double kMinimumR2 = 0.995;
    // Beyond this a value makes the sums of the fit overflow.
    static constexpr double kLargestValue = 1e100;

    enum class Verdict { Good, TooFewPoints, Scattered, NotRising, NotFinite, NoLine };

    Verdict verdict = Verdict::NoLine;
    double c0 = 0;       // dyn/cm2
    double c1 = 0;       // dyn/cm2 per Vdc
    double r2 = 0;       // of the line over all the points: what judges it
    double quality = 0;  // r^2 over list indexes 6 to 15; 0 with fewer than 16 points
    int points = 0;

    // A stress or voltage a line can be fitted through and drawn: not one that overflowed as it was read
    // (9E999 reads as the largest double).
    static bool usable(double value) { return std::fabs(value) <= kLargestValue; }

    // A line exists and can be drawn.
    bool fitted() const { return verdict != Verdict::NoLine && verdict != Verdict::NotFinite; }
    // The line may go to the unit (perhaps with a warning).
    bool sendable() const {
        return verdict == Verdict::Good || verdict == Verdict::TooFewPoints || verdict == Verdict::Scattered;
    }
    bool good() const { return verdict == Verdict::Good; }
    // Why the line is judged poor or refused, in words for the operator and the diagnostic log; empty when
    // good.
    QString reason() const;
};

CalibrationLine fitCalibrationLine(std::span<const double> voltages, std::span<const double> stresses);
