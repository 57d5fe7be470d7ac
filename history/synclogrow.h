#pragma once

#include "sync/syncreport.h"

#include <QByteArray>
#include <QList>

#include <optional>

// One row of sync-log.csv: when, and what came of it as the sync line showed it.
struct SyncLogRow
{
    qint64 timeMs = 0;     // since the epoch, UTC
    int utcOffsetSecs = 0; // of the local time the row was written in
    SyncReport report;
};

namespace synclog {

// The row for an outcome now, in local time.
SyncLogRow stamped(const SyncReport &report);

// The first row of every file: the columns' names.
QByteArray headerLine();
QByteArray csvLine(const SyncLogRow &row);
// A row read back; none for the header or a row this program did not write.
std::optional<SyncLogRow> fromFields(const QList<QByteArray> &fields);

// "2026-12-10T08:45:01.123+08:00": ISO 8601 local time with milliseconds and its offset from UTC.
QByteArray localTimeText(qint64 timeMs, int utcOffsetSecs);
// Nanoseconds as milliseconds with three decimals: "-3.210".
QByteArray millisecondsText(qint64 ns);
// The short fixed word for an outcome in the record: "synced", "no-answer", ...
QByteArray keyword(SyncOutcome outcome);

} // namespace synclog
