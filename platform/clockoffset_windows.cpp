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

// The precise time now plus the offset, rounded once to the nearest millisecond, which is all SetSystemTime
// takes; read just before it is set, so that hardly any time passes in between. In nanoseconds the time
// would not fit 64 bits, so only its part below the millisecond is added to the offset.
int platform::moveClockBy(std::int64_t offsetNs)
{
    enableSystemTimePrivilege();
    constexpr std::int64_t tickNs = 100, msTicks = 10000, msNs = 1000000;
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const std::int64_t nowTicks = std::int64_t((std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    const std::int64_t belowMsNs = nowTicks % msTicks * tickNs + offsetNs + msNs / 2;
    const std::int64_t ms = nowTicks / msTicks + belowMsNs / msNs - (belowMsNs % msNs < 0 ? 1 : 0);
    if (ms < 0)
        return ERROR_INVALID_PARAMETER;
    const std::uint64_t target = std::uint64_t(ms * msTicks);
    const FILETIME time{DWORD(target & 0xffffffffu), DWORD(target >> 32)};
    SYSTEMTIME fields{};
    if (!FileTimeToSystemTime(&time, &fields))
        return int(GetLastError());
    return SetSystemTime(&fields) ? 0 : int(GetLastError());
}
