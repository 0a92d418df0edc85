#pragma once

#include <QString>

#include <array>
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

// The calibration line stress = c0 + c1 x voltage through the points of a run, and whether it can be
// trusted.
//
// The quality value is r^2 of that same line over all the points, the line that is sent to the unit. A
// calibration is judged poor when the unit sent fewer than kMinimumPoints points (its sequence was cut
// short), when r^2 is below kMinimumR2 (points scattered about the line: a loose lock nut or a rubbing
// shaft), or when stress does not rise with voltage. With fewer than two points, or all voltages equal, no
// line exists and nothing may be sent to the unit.
struct CalibrationLine {
    static constexpr int kMinimumPoints = 16;
    static constexpr double kMinimumR2 = 0.995;

    enum class Verdict { Good, NoLine, TooFewPoints, Scattered, NotRising };

    Verdict verdict = Verdict::NoLine;
    double c0 = 0;  // dyn/cm2
    double c1 = 0;  // dyn/cm2 per Vdc
    double r2 = 0;
    int points = 0;

    bool fitted() const { return verdict != Verdict::NoLine; }
    bool good() const { return verdict == Verdict::Good; }
    // Why a fitted line is judged poor, in words for the operator and the diagnostic log; empty when good.
    QString reason() const;
};

CalibrationLine fitCalibrationLine(std::span<const double> voltages, std::span<const double> stresses);
