#include "common/LinearFit.h"

#include <algorithm>
#include <cmath>

double Log10(double x) {
    return std::log(x) / std::log(10.0);
}

double LinearFit(std::span<const double> x, std::span<const double> y, double& slope, double& intercept) {
    const std::size_t count = std::min(x.size(), y.size());
    double sx = 0, sy = 0, sxy = 0, sxx = 0, syy = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sx += x[i];
        sy += y[i];
        sxy += x[i] * y[i];
        sxx += x[i] * x[i];
        syy += y[i] * y[i];
    }
    if (count == 0) return 0.0;
    const double n = static_cast<double>(count);
    const double xMean = sx / n;
    const double yMean = sy / n;
    const double xSpread = sxx - n * xMean * xMean;
    // All x equal: no slope exists, the caller's values stand. (A sum of y near zero is no reason to give
    // up: log-stresses of 0.5, 1 and 2 dyn/cm2 sum to zero and fit perfectly well.)
    if (std::fabs(xSpread) < 1e-9) return 0.0;

    const double b = (sxy - n * xMean * yMean) / xSpread;
    const double a = yMean - b * xMean;
    const double ySpread = syy - sy * sy / n;
    if (std::fabs(ySpread) > 1e-10) {
        slope = b;
        intercept = a;
        // Rounding can carry a perfect fit a hair past 1. A value that is not finite (an infinite stored
        // reading) gives no correlation, not a perfect one: std::min would turn NaN into 1.
        const double r = std::sqrt(std::fabs(b * b * (sxx - sx * sx / n) / ySpread));
        return std::isfinite(r) ? std::min(1.0, r) : 0.0;
    }
    slope = 0.0;
    intercept = 0.0;
    return 0.0;
}
