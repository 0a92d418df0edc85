#include "common/AxisRange.h"

#include <algorithm>
#include <cmath>

namespace {

// [low, high] widened to at least minSpan about its middle, on the side of 0 where it lies.
void widenTo(double minSpan, double& low, double& high) {
    if (!(minSpan > 0) || !std::isfinite(minSpan) || high - low >= minSpan) return;
    const double middle = low / 2 + high / 2;
    double from = middle - minSpan / 2, to = middle + minSpan / 2;
    if (low >= 0 && from < 0)
        from = 0, to = minSpan;
    else if (high <= 0 && to > 0)
        from = -minSpan, to = 0;
    low = from;
    high = to;
}

}  // namespace

AxisRange NiceRange(double low, double high, int maxIntervals, double minSpan) {
    maxIntervals = std::max(1, maxIntervals);
    if (!std::isfinite(low) || !std::isfinite(high)) low = 0, high = 1;
    if (low > high) std::swap(low, high);
    widenTo(minSpan, low, high);
    if (high - low <= 1e-12 * std::max(1.0, std::fabs(high))) {
        const double pad = std::fabs(high) > 0 ? std::fabs(high) * 0.1 : 1.0;
        low -= pad;
        high += pad;
    }
    const double span = high - low;
    double decade = std::pow(10.0, std::floor(std::log10(span / maxIntervals)) - 1);
    for (int round = 0; round < 6; ++round, decade *= 10) {
        for (double multiple : {1.0, 2.0, 2.5, 5.0}) {
            const double step = multiple * decade;
            const double first = std::floor(low / step + 1e-9) * step;
            const double last = std::ceil(high / step - 1e-9) * step;
            const int intervals = static_cast<int>(std::lround((last - first) / step));
            if (intervals <= maxIntervals) return {first, last, intervals + 1};
        }
    }
    return {low, high, 2};
}
