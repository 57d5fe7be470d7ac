#include "history/synchistory.h"

#include "history/csv.h"
#include "history/synclogfile.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

HistoryPoint pointOf(const SyncLogRow &row)
{
    HistoryPoint point;
    point.timeMs = row.timeMs;
    const SyncOutcome outcome = row.report.outcome;
    if (outcome == SyncOutcome::Started || outcome == SyncOutcome::Exited)
        return point;
    point.kind = outcome == SyncOutcome::Synced ? HistoryPoint::Success : HistoryPoint::Failure;
    point.offsetMs = double(row.report.offsetNs.value_or(0)) / 1e6;
    point.delayMs = float(double(row.report.delayNs.value_or(0)) / 1e6);
    return point;
}

bool earlier(const HistoryPoint &a, const HistoryPoint &b)
{
    return a.timeMs < b.timeMs;
}

} // namespace

void SyncHistory::load(const QString &folder)
{
    allPoints.clear();
    recent.clear();
    readFile(synclogfile::previousPath(folder));
    readFile(synclogfile::currentPath(folder));
    // Rows follow one another in time, except where the clock was set back.
    if (!std::is_sorted(allPoints.begin(), allPoints.end(), earlier))
        std::stable_sort(allPoints.begin(), allPoints.end(), earlier);
}

void SyncHistory::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray text = file.readAll();
    allPoints.reserve(allPoints.size() + size_t(text.size() / 80));
    csv::Reader reader(text);
    for (QList<QByteArray> fields; reader.next(fields);)
        if (const std::optional<SyncLogRow> row = synclog::fromFields(fields))
            add(*row);
}

void SyncHistory::add(const SyncLogRow &row)
{
    const HistoryPoint point = pointOf(row);
    if (allPoints.empty() || !earlier(point, allPoints.back()))
        allPoints.push_back(point);
    else
        allPoints.insert(std::upper_bound(allPoints.begin(), allPoints.end(), point, earlier), point);
    recent.push_back(row);
    if (recent.size() > size_t(recentLimit))
        recent.pop_front();
}

HistoryFigures SyncHistory::figures(qint64 fromMs, qint64 toMs) const
{
    HistoryFigures figures;
    const auto lastSuccess = std::find_if(allPoints.rbegin(), allPoints.rend(),
                                          [](const HistoryPoint &p) { return p.kind == HistoryPoint::Success; });
    if (lastSuccess != allPoints.rend())
        figures.lastSuccessMs = lastSuccess->timeMs;
    std::vector<double> offsets;
    HistoryPoint from;
    from.timeMs = fromMs;
    for (auto p = std::lower_bound(allPoints.begin(), allPoints.end(), from, earlier);
         p != allPoints.end() && p->timeMs <= toMs; ++p) {
        if (p->kind == HistoryPoint::Failure)
            ++figures.failures;
        if (p->kind != HistoryPoint::Success)
            continue;
        ++figures.successes;
        offsets.push_back(p->offsetMs);
        if (!figures.largestOffsetMs || std::abs(p->offsetMs) > std::abs(*figures.largestOffsetMs))
            figures.largestOffsetMs = p->offsetMs;
    }
    if (!offsets.empty()) {
        const auto middle = offsets.begin() + offsets.size() / 2;
        std::nth_element(offsets.begin(), middle, offsets.end());
        figures.medianOffsetMs = *middle;
        if (offsets.size() % 2 == 0) // the mean of the two middle ones
            figures.medianOffsetMs = (*middle + *std::max_element(offsets.begin(), middle)) / 2;
    }
    return figures;
}
