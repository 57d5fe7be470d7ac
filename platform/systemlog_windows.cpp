#include "platform/systemlog.h"

#include <windows.h>

// The one message of the program's message table (resources/eventlog.mc): "%1", the line as it is.
static constexpr DWORD lineEventId = 1;

void platform::writeSystemLog(LogSeverity severity, const QString &message)
{
    // Kept for the run: the system closes it at the end of the process.
    static const HANDLE source = RegisterEventSourceW(nullptr, L"Chronvale");
    if (!source)
        return;
    const WORD type = severity == LogSeverity::Error     ? EVENTLOG_ERROR_TYPE
                      : severity == LogSeverity::Warning ? EVENTLOG_WARNING_TYPE
                                                         : EVENTLOG_INFORMATION_TYPE;
    const std::wstring text = message.toStdWString();
    LPCWSTR strings[] = {text.c_str()};
    ReportEventW(source, type, 0, lineEventId, nullptr, 1, 0, strings, nullptr);
}
