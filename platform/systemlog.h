#pragma once

#include <QString>

namespace platform {

enum class LogSeverity { Information, Warning, Error };

// One line in the system's log under the program's name, for what administrators already collect:
// syslog(3) on Linux, which journald and rsyslog take; the Application event log on Windows, under the
// event source "Chronvale" that the installer registers. Returns at once; a log that is not there is
// not an error.
void writeSystemLog(LogSeverity severity, const QString &message);

} // namespace platform
