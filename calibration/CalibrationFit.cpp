#include "calibration/CalibrationFit.h"

#include "common/LinearFit.h"
#include "common/VbFormat.h"

#include <algorithm>

CalibrationLine fitCalibrationLine(std::span<const double> voltages, std::span<const double> stresses) {
    CalibrationLine line;
    const std::size_t n = std::min(voltages.size(), stresses.size());
    line.points = static_cast<int>(n);
    const bool spread = n >= 2 && std::any_of(voltages.begin(), voltages.begin() + static_cast<long>(n),
                                              [&](double v) { return v != voltages[0]; });
    if (!spread) return line;
    const double r = LinearFit(voltages.first(n), stresses.first(n), line.c1, line.c0);
    line.r2 = r * r;
    if (line.points < CalibrationLine::kMinimumPoints)
        line.verdict = CalibrationLine::Verdict::TooFewPoints;
    else if (!(line.c1 > 0))
        line.verdict = CalibrationLine::Verdict::NotRising;
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
            return QStringLiteral("no line can be fitted through %1 point(s)").arg(number(points, "0"));
        case Verdict::TooFewPoints:
            return QStringLiteral("only %1 data points arrived, %2 or more are expected")
                .arg(number(points, "0"), number(kMinimumPoints, "0"));
        case Verdict::Scattered:
            return QStringLiteral("the points scatter about the line (r2 %1, at least %2 expected)")
                .arg(number(r2, "0.0000"), number(kMinimumR2, "0.000"));
        case Verdict::NotRising:
            return QStringLiteral("the stress does not rise with the voltage");
    }
    return {};
}
