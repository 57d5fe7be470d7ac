#include "history/plotcolumns.h"

#include <algorithm>

namespace {

void take(PlotColumn &column, const HistoryPoint &point)
{
    if (point.kind == HistoryPoint::Failure) {
        column.failure = true;
        return;
    }
    if (point.kind != HistoryPoint::Success)
        return;
    if (!column.success) {
        column.success = true;
        column.offsetLow = column.offsetHigh = point.offsetMs;
        column.delayLow = column.delayHigh = point.delayMs;
        return;
    }
    column.offsetLow = std::min(column.offsetLow, point.offsetMs);
    column.offsetHigh = std::max(column.offsetHigh, point.offsetMs);
    column.delayLow = std::min(column.delayLow, point.delayMs);
    column.delayHigh = std::max(column.delayHigh, point.delayMs);
}

} // namespace

std::vector<PlotColumn> plotColumns(const std::vector<HistoryPoint> &points, qint64 fromMs, qint64 toMs, int width)
{
    std::vector<PlotColumn> columns(size_t(std::max(width, 0)));
    if (width <= 0 || toMs <= fromMs)
        return columns;
    const auto first = std::lower_bound(points.begin(), points.end(), fromMs,
                                        [](const HistoryPoint &p, qint64 time) { return p.timeMs < time; });
    const qint64 span = toMs - fromMs;
    for (auto p = first; p != points.end() && p->timeMs <= toMs; ++p)
        take(columns[size_t(std::min<qint64>((p->timeMs - fromMs) * width / span, width - 1))], *p);
    return columns;
}
