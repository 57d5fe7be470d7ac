#include "platform/clockoffset.h"

#include <windows.h>

namespace {

// A process holds the right to set the clock, if at all, disabled until it asks for it.
void enableSystemTimePrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeSystemtimePrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

} // namespace

// The precise time now plus the offset, rounded to the nearest millisecond, which is all SetSystemTime
// takes; read just before it is set, so that hardly any time passes in between.
int platform::moveClockBy(std::int64_t offsetNs)
{
    enableSystemTimePrivilege();
    constexpr std::int64_t tickNs = 100, msTicks = 10000;
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const std::int64_t nowTicks = (std::int64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const std::int64_t ticks = nowTicks + (offsetNs + (offsetNs < 0 ? -tickNs / 2 : tickNs / 2)) / tickNs;
    if (ticks < 0)
        return ERROR_INVALID_PARAMETER;
    const std::uint64_t rounded = std::uint64_t((ticks + msTicks / 2) / msTicks * msTicks);
    const FILETIME target{DWORD(rounded & 0xffffffffu), DWORD(rounded >> 32)};
    SYSTEMTIME time{};
    if (!FileTimeToSystemTime(&target, &time))
        return int(GetLastError());
    return SetSystemTime(&time) ? 0 : int(GetLastError());
}
