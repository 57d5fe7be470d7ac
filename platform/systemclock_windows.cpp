#include "platform/systemclock.h"

#include <windows.h>

namespace platform {

namespace {

// An elevated process holds the right to set the clock, but disabled until it asks for it.
void enableSystemTimePrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValue(nullptr, SE_SYSTEMTIME_NAME, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

} // namespace

bool setSystemClockUtc(const QDateTime &utc, QString *reason)
{
    // An invalid value would read as the epoch; never set the clock to that.
    if (!utc.isValid()) {
        if (reason)
            *reason = QStringLiteral("invalid date and time");
        return false;
    }
    const QDateTime u = utc.toUTC();
    SYSTEMTIME st;
    GetSystemTime(&st);
    st.wYear = static_cast<WORD>(u.date().year());
    st.wMonth = static_cast<WORD>(u.date().month());
    st.wDay = static_cast<WORD>(u.date().day());
    st.wHour = static_cast<WORD>(u.time().hour());
    st.wMinute = static_cast<WORD>(u.time().minute());
    st.wSecond = static_cast<WORD>(u.time().second());
    st.wMilliseconds = static_cast<WORD>(u.time().msec());
    enableSystemTimePrivilege();
    if (SetSystemTime(&st))
        return true;
    if (reason) {
        const DWORD code = GetLastError();
        wchar_t *text = nullptr;
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
        *reason = text ? QString::fromWCharArray(text).trimmed() : QString::number(code);
        LocalFree(text);
    }
    return false;
}

} // namespace platform
