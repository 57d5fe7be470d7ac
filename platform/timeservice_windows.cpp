#include "platform/timeservice.h"

#include <QWinEventNotifier>

#include <atomic>
#include <memory>
#include <thread>

#include <windows.h>

namespace {

bool serviceRunning(const wchar_t *name)
{
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service = manager ? OpenServiceW(manager, name, SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status{};
    const bool running = service && QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return running;
}

// Windows Time sets the clock while it runs, unless it was told to leave it alone.
bool windowsTimeSynchronises()
{
    wchar_t type[32] = {};
    DWORD size = sizeof type;
    const bool typeRead = RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\W32Time\\Parameters",
                                       L"Type", RRF_RT_REG_SZ, nullptr, type, &size)
                          == ERROR_SUCCESS;
    return serviceRunning(L"W32Time") && !(typeRead && _wcsicmp(type, L"NoSync") == 0);
}

// What the thread found, and the event that tells the window's thread; both live as long as either side.
struct Finding
{
    Finding() : done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Finding() { CloseHandle(done); }
    const HANDLE done;
    std::atomic<bool> synchronises{false};
};

} // namespace

// The service manager and the registry answer in another thread, so that the window never waits on them.
void platform::findTimeService(QObject *context, const std::function<void(const QString &)> &found)
{
    const auto finding = std::make_shared<Finding>();
    auto *notifier = new QWinEventNotifier(finding->done, context);
    QObject::connect(notifier, &QWinEventNotifier::activated, context, [notifier, finding, found] {
        notifier->setEnabled(false);
        notifier->deleteLater();
        if (finding->synchronises)
            found(QStringLiteral("W32Time"));
    });
    std::thread([finding] {
        finding->synchronises = windowsTimeSynchronises();
        SetEvent(finding->done);
    }).detach();
}
