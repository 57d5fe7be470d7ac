#pragma once

#include "history/synclogrow.h"

#include <deque>
#include <optional>
#include <vector>

// What the window draws of a row: when, and for a set its offset and delay.
struct HistoryPoint
{
    enum Kind : quint8 { Success, Failure, Other };

    qint64 timeMs = 0;
    double offsetMs = 0;
    float delayMs = 0;
    Kind kind = Other;
};

struct HistoryFigures
{
    std::optional<qint64> lastSuccessMs; // of all rows
    // Of the rows of a span of time:
    int successes = 0;
    int failures = 0;
    std::optional<double> medianOffsetMs;
    std::optional<double> largestOffsetMs; // the offset of largest size, with its sign
};

// The rows of both files, read once when the window opens and followed from then on: every row as a point,
// by time, and the last rows whole for the table.
class SyncHistory
{
public:
    static constexpr int recentLimit = 500;

    // Reads sync-log.1.csv and sync-log.csv in folder, in that order.
    void load(const QString &folder);
    void add(const SyncLogRow &row);

    const std::vector<HistoryPoint> &points() const { return allPoints; }
    // Newest last.
    const std::deque<SyncLogRow> &recentRows() const { return recent; }
    HistoryFigures figures(qint64 fromMs, qint64 toMs) const;

private:
    void readFile(const QString &path);

    std::vector<HistoryPoint> allPoints;
    std::deque<SyncLogRow> recent;
};
