#include "common/TimeGaps.h"

#include <algorithm>

std::vector<std::size_t> LineBreaks(std::span<const double> times, std::span<const TimeGap> gaps,
                                    double perSecond) {
    std::vector<std::size_t> breaks;
    for (const TimeGap& gap : gaps) {
        if (!(gap.to_s > gap.from_s)) continue;
        const double middle = (gap.from_s + gap.to_s) / 2 * perSecond;
        const auto past = std::upper_bound(times.begin(), times.end(), middle);
        const auto at = static_cast<std::size_t>(past - times.begin());
        if (at > 0 && at < times.size()) breaks.push_back(at);
    }
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    return breaks;
}
