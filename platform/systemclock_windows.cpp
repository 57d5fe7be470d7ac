#include "platform/systemclock.h"

#include "platform/clockoffset.h"

#include <windows.h>

namespace platform {

namespace {

QString systemMessage(DWORD code)
{
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const QString message = text ? QString::fromWCharArray(text).trimmed() : QString::number(code);
    LocalFree(text);
    return message;
}

} // namespace

void moveSystemClock(std::int64_t offsetNs, QObject *, const ClockMoved &finished)
{
    const int error = moveClockBy(offsetNs);
    finished(error == 0, error == 0 ? QString() : systemMessage(DWORD(error)));
}

} // namespace platform
