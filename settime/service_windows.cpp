// chronvale-settime.exe, the Windows service ChronvaleSetTime: moves the system clock by an offset, at the
// moment it is asked, for administrators and the members of the local group Chronvale. It runs as
// LocalService with the right to set the time as its one privilege, takes one number a connection on its
// pipe, answers, and hangs up; it reads no file and trusts nothing else a client sends.
#include "platform/clockoffset.h"
#include "setrequest.h"

#include <windows.h>

#include <sddl.h>

#include <string>

namespace {

constexpr DWORD kClientTimeMs = 1000; // for the whole request, and again for the answer to be taken
// Reading and writing the pipe's data, but not FILE_APPEND_DATA, which on a pipe is the right to add
// an instance of it: no client can stand in for the service to others.
constexpr wchar_t kClientAccess[] = L"0x12008b";

SERVICE_STATUS_HANDLE statusHandle;
HANDLE stopEvent;

void report(DWORD state, DWORD exitCode = NO_ERROR)
{
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI control(DWORD code, DWORD, void *, void *)
{
    if (code == SERVICE_CONTROL_STOP || code == SERVICE_CONTROL_SHUTDOWN) {
        report(SERVICE_STOP_PENDING);
        SetEvent(stopEvent);
    }
    return NO_ERROR;
}

std::wstring allow(const std::wstring &sid)
{
    return L"(A;;" + std::wstring(kClientAccess) + L";;;" + sid + L")";
}

// SYSTEM, Administrators and this computer's own group Chronvale, as it is when the service starts.
std::wstring pipeAccess()
{
    std::wstring sddl = L"D:P" + allow(L"SY") + allow(L"BA");
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    wchar_t domain[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD domainSize = MAX_COMPUTERNAME_LENGTH + 1;
    SID_NAME_USE use;
    wchar_t *text = nullptr;
    if (GetComputerNameW(computer, &size)
        && LookupAccountNameW(nullptr, (std::wstring(computer) + L"\\Chronvale").c_str(), sid, &sidSize, domain,
                              &domainSize, &use)
        && use == SidTypeAlias && ConvertSidToStringSidW(sid, &text))
        sddl += allow(text);
    LocalFree(text);
    return sddl;
}

// Waits for an overlapped call on the pipe until it ends, the time is up or the service stops; an
// unfinished call is cancelled. The bytes moved, or -1.
long long finish(HANDLE pipe, OVERLAPPED &io, BOOL started, DWORD timeMs)
{
    DWORD bytes = 0;
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return GetLastError() == ERROR_PIPE_CONNECTED ? 0 : -1;
    const HANDLE events[] = {io.hEvent, stopEvent};
    if (WaitForMultipleObjects(2, events, FALSE, timeMs) != WAIT_OBJECT_0)
        CancelIo(pipe);
    return GetOverlappedResult(pipe, &io, &bytes, TRUE) ? (long long)bytes : -1;
}

std::string answerFor(DWORD error)
{
    if (error == 0)
        return "0\n";
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    char utf8[512] = {};
    if (text)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
    LocalFree(text);
    std::string line = std::to_string(error) + ' ' + utf8;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line + '\n';
}

// One client: its request within the time, or it is dropped; the answer, and the client's hang-up,
// since a disconnect would throw away an answer not yet read.
void serveClient(HANDLE pipe, OVERLAPPED &io)
{
    char request[setrequest::kMaxBytes + 1];
    std::size_t size = 0;
    setrequest::Request parsed{setrequest::State::Incomplete, 0};
    const ULONGLONG deadline = GetTickCount64() + kClientTimeMs;
    while (parsed.state == setrequest::State::Incomplete) {
        const ULONGLONG now = GetTickCount64();
        const long long read =
            now >= deadline
                ? -1
                : finish(pipe, io, ReadFile(pipe, request + size, DWORD(sizeof request - size), nullptr, &io),
                         DWORD(deadline - now));
        if (read <= 0)
            return;
        size += std::size_t(read);
        parsed = setrequest::parse(request, size);
    }
    if (parsed.state != setrequest::State::Complete)
        return;
    const std::string answer = answerFor(DWORD(platform::moveClockBy(parsed.offsetNs)));
    if (finish(pipe, io, WriteFile(pipe, answer.data(), DWORD(answer.size()), nullptr, &io), kClientTimeMs) > 0)
        finish(pipe, io, ReadFile(pipe, request, 1, nullptr, &io), kClientTimeMs);
}

// One pipe instance, made once and never given up while the service runs, serves one client after another.
DWORD serve()
{
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(pipeAccess().c_str(), SDDL_REVISION_1,
                                                              &security.lpSecurityDescriptor, nullptr))
        return GetLastError();
    const HANDLE pipe = CreateNamedPipeW(
        setrequest::kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 512, 512, 0, &security);
    const DWORD error = pipe == INVALID_HANDLE_VALUE ? GetLastError() : NO_ERROR;
    LocalFree(security.lpSecurityDescriptor);
    if (error != NO_ERROR)
        return error;
    report(SERVICE_RUNNING);
    OVERLAPPED io{};
    io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    while (WaitForSingleObject(stopEvent, 0) == WAIT_TIMEOUT) {
        if (finish(pipe, io, ConnectNamedPipe(pipe, &io), INFINITE) >= 0)
            serveClient(pipe, io);
        DisconnectNamedPipe(pipe);
    }
    CloseHandle(io.hEvent);
    CloseHandle(pipe);
    return NO_ERROR;
}

void WINAPI serviceMain(DWORD, wchar_t **)
{
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    statusHandle = RegisterServiceCtrlHandlerExW(setrequest::kServiceName, control, nullptr);
    if (!statusHandle)
        return;
    report(SERVICE_START_PENDING);
    report(SERVICE_STOPPED, serve());
}

} // namespace

int main()
{
    // Nothing is loaded from the program's folder or the path later on.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SERVICE_TABLE_ENTRYW services[] = {{const_cast<wchar_t *>(setrequest::kServiceName), serviceMain},
                                       {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(services) ? 0 : int(GetLastError());
}
