#pragma once

#include "platform/systemlog.h"
#include "sync/syncreport.h"

#include <optional>

// How syncing went lately, as far as the system's log has been told.
enum class SyncHealth { Unknown, Succeeding, Failing };

struct SystemLogLine
{
    platform::LogSeverity severity;
    QString message;
};

// The line an outcome puts into the system's log, only where it changes something: the first set (with
// its offset) after a start or after failures, the first failure after a start or a success, and every
// stop by the limit. A sync a second gives one line, not one a second. health follows the outcomes.
std::optional<SystemLogLine> systemLogChange(SyncHealth &health, const SyncReport &report);
