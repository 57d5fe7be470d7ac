#pragma once

#include "history/synchistory.h"

#include <vector>

// What falls into one pixel column of the plot: the range of the sets' offsets and delays, and whether
// any request failed there. However many points there are, the plot draws one of these a column.
struct PlotColumn
{
    double offsetLow = 0, offsetHigh = 0;
    float delayLow = 0, delayHigh = 0;
    bool success = false;
    bool failure = false;
};

// The columns of width pixels that show [fromMs, toMs] of points (which are by time).
std::vector<PlotColumn> plotColumns(const std::vector<HistoryPoint> &points, qint64 fromMs, qint64 toMs, int width);
