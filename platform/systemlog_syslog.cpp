#include "platform/systemlog.h"

#include <syslog.h>

void platform::writeSystemLog(LogSeverity severity, const QString &message)
{
    static const bool opened = [] {
        openlog("chronvale", LOG_PID, LOG_USER);
        return true;
    }();
    Q_UNUSED(opened)
    const int priority = severity == LogSeverity::Error     ? LOG_ERR
                         : severity == LogSeverity::Warning ? LOG_WARNING
                                                            : LOG_NOTICE;
    syslog(priority, "%s", message.toUtf8().constData());
}
