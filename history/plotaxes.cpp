#include "history/plotaxes.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace plotaxes {

ValueAxis valueAxis(double low, double high, int maxSteps)
{
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    if (high - low < 1e-3) // nothing but zeros: a millisecond either side
        return {};
    const double rough = (high - low) / std::max(maxSteps, 1),
                 magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude * 10;
    for (const double factor : {1.0, 2.0, 5.0})
        if (magnitude * factor >= rough) {
            step = magnitude * factor;
            break;
        }
    return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
}

TimeAxis timeAxis(qint64 fromMs, qint64 toMs, int width, int minSpacing, qint64 utcOffsetMs)
{
    constexpr qint64 minute = 60000, hour = 60 * minute, day = 24 * hour;
    const qint64 steps[] = {minute,   5 * minute, 10 * minute, 15 * minute, 30 * minute, hour,
                            2 * hour, 3 * hour,   6 * hour,    12 * hour,   day,         2 * day,
                            7 * day,  14 * day,   30 * day,    91 * day,    365 * day};
    const qint64 span = std::max<qint64>(toMs - fromMs, 1);
    qint64 step = steps[std::size(steps) - 1];
    for (const qint64 candidate : steps)
        if (candidate * std::max(width, 1) / span >= minSpacing) {
            step = candidate;
            break;
        }
    // The first whole step of local time at or after fromMs.
    const qint64 local = fromMs + utcOffsetMs;
    const qint64 first = (local / step + (local % step > 0 ? 1 : 0)) * step - utcOffsetMs;
    return {first, step, step >= day};
}

} // namespace plotaxes
