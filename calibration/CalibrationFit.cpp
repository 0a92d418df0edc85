#include "calibration/CalibrationFit.h"

#include "common/LinearFit.h"
#include "common/VbFormat.h"
#include "link/CalibrationLink.h"

#include <algorithm>
#include <cmath>

namespace {

bool allInRange(std::span<const double> values) {
    return std::all_of(values.begin(), values.end(), &CalibrationLine::usable);
}

// r^2 of the points with list indexes 6 to 15; 0 when there are fewer than 16 or one of them is out of
// range.
double qualityOf(std::span<const double> voltages, std::span<const double> stresses) {
    if (voltages.size() < CalibrationLine::kMinimumPoints) return 0;
    constexpr std::size_t first = CalibrationLine::kQualityFirst;
    constexpr std::size_t count = CalibrationLine::kQualityLast - first + 1;
    const auto x = voltages.subspan(first, count);
    const auto y = stresses.subspan(first, count);
    if (!allInRange(x) || !allInRange(y)) return 0;
    double slope = 0, intercept = 0;
    const double r = LinearFit(x, y, slope, intercept);
    return r * r;
}

}  // namespace

CalibrationLine fitCalibrationLine(std::span<const double> voltages, std::span<const double> stresses) {
    CalibrationLine line;
    const std::size_t n = std::min(voltages.size(), stresses.size());
    voltages = voltages.first(n);
    stresses = stresses.first(n);
    line.points = static_cast<int>(n);
    line.quality = qualityOf(voltages, stresses);
    const bool spread =
        n >= 2 && std::any_of(voltages.begin(), voltages.end(), [&](double v) { return v != voltages[0]; });
    if (!spread) return line;
    const bool inRange = allInRange(voltages) && allInRange(stresses);
    const double r = inRange ? LinearFit(voltages, stresses, line.c1, line.c0) : 0.0;
    line.r2 = r * r;
    if (!inRange || !std::isfinite(line.c0) || !std::isfinite(line.c1))
        line.verdict = CalibrationLine::Verdict::NotFinite;
    else if (!(line.c1 > 0))
        line.verdict = CalibrationLine::Verdict::NotRising;
    else if (line.points < CalibrationLine::kMinimumPoints)
        line.verdict = CalibrationLine::Verdict::TooFewPoints;
    else if (!(line.r2 >= CalibrationLine::kMinimumR2))
        line.verdict = CalibrationLine::Verdict::Scattered;
    else
        line.verdict = CalibrationLine::Verdict::Good;
    return line;
}

QString CalibrationLine::reason() const {
    const auto number = [](double v, const char* picture) {
        return vb::Format(v, QString::fromLatin1(picture));
    };
    switch (verdict) {
        case Verdict::Good:
            return {};
        case Verdict::NoLine:
            return points < 2
                       ? QStringLiteral("no line can be fitted through %1 point(s)").arg(number(points, "0"))
                       : QStringLiteral("all %1 points have the same voltage").arg(number(points, "0"));
        case Verdict::TooFewPoints:
            return QStringLiteral("only %1 data points arrived, %2 or more are expected")
                .arg(number(points, "0"), number(kMinimumPoints, "0"));
        case Verdict::Scattered:
            return QStringLiteral("the points scatter about the line (r2 %1, at least %2 expected)")
                .arg(number(r2, "0.0000"), number(kMinimumR2, "0.000"));
        case Verdict::NotRising:
            return QStringLiteral("the stress does not rise with the voltage (c1 %1)")
                .arg(QString::fromLatin1(CalibrationLink::coefficientText(c1)));
        case Verdict::NotFinite:
            return QStringLiteral("a stress or voltage is too large for a line to be fitted");
    }
    return {};
}
