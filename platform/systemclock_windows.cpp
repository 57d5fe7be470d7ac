#include "platform/systemclock.h"

#include "platform/clockoffset.h"
#include "settime/setrequest.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTimer>

#include <windows.h>

namespace platform {

namespace {

constexpr int serviceTimeMs = 5000, busyRetryMs = 50;
const QString serviceName = QString::fromWCharArray(setrequest::kServiceName);

QString systemMessage(DWORD code)
{
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const QString message = text ? QString::fromWCharArray(text).trimmed() : QString::number(code);
    LocalFree(text);
    return message;
}

QString withRemedy(const QString &reason, const QString &remedy)
{
    return reason + QLatin1Char('\n') + remedy;
}

// Nobody listens on the pipe: the service was never installed, or it does not run.
QString serviceNotListening()
{
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service = manager ? OpenServiceW(manager, setrequest::kServiceName, SERVICE_QUERY_STATUS) : nullptr;
    const DWORD error = service ? ERROR_SUCCESS : GetLastError();
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    if (error == ERROR_SERVICE_DOES_NOT_EXIST)
        return QCoreApplication::translate("MainWindow", "设置时钟的服务%1没有安装：请重新安装Chronvale")
            .arg(serviceName);
    return QCoreApplication::translate("MainWindow",
                                       "设置时钟的服务%1没有运行：请管理员启动它（sc start %1）或重新安装Chronvale")
        .arg(serviceName);
}

QString failedToOpen(DWORD error)
{
    if (error == ERROR_FILE_NOT_FOUND)
        return serviceNotListening();
    if (error != ERROR_ACCESS_DENIED)
        return systemMessage(error);
    return withRemedy(
        systemMessage(error),
        QCoreApplication::translate(
            "MainWindow", "请管理员把用户加入Chronvale组（net localgroup Chronvale 用户名 /add），然后重新登录"));
}

// The service's answer line: "0", or its error code and the system's text for it.
QString serviceRefusal(const QByteArray &line)
{
    const int space = line.indexOf(' ');
    const QString reason = serviceName + QStringLiteral(": ") + QString::fromUtf8(line.mid(space + 1));
    if (line.left(space).toUInt() != ERROR_PRIVILEGE_NOT_HELD)
        return reason;
    return withRemedy(
        reason, QCoreApplication::translate("MainWindow", "设置时钟的服务%1没有设置时钟的权限：请重新安装Chronvale")
                    .arg(serviceName));
}

// One request to the service, from the window's thread: the pipe is opened, written and read without
// waiting for it, and given up after a time. A busy pipe (another copy is being served) is tried again.
class ServiceRequest : public QLocalSocket
{
public:
    ServiceRequest(std::int64_t offsetNs, QObject *context, const ClockMoved &finished)
        : QLocalSocket(context), request(QByteArray::number(qint64(offsetNs)) + '\n'), finished(finished)
    {
        retry.setSingleShot(true);
        deadline.setSingleShot(true);
        QObject::connect(&retry, &QTimer::timeout, this, [this] { open(); });
        QObject::connect(&deadline, &QTimer::timeout, this,
                         [this] { end(false, serviceName + QStringLiteral(" timed out")); });
        QObject::connect(this, &QLocalSocket::readyRead, this, [this] { read(); });
        QObject::connect(this, &QLocalSocket::disconnected, this,
                         [this] { end(false, serviceName + QStringLiteral(" hung up without an answer")); });
        deadline.start(serviceTimeMs);
        open();
    }

private:
    void open()
    {
        // Identification only: whoever holds the pipe's name cannot act as this user.
        const HANDLE pipe =
            CreateFileW(setrequest::kPipeName, GENERIC_READ | FILE_WRITE_DATA, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        const DWORD error = pipe == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        if (error == ERROR_PIPE_BUSY)
            retry.start(busyRetryMs);
        else if (error != ERROR_SUCCESS)
            end(false, failedToOpen(error));
        else if (setSocketDescriptor(qintptr(pipe)))
            write(request);
        else
            end(false, errorString());
    }

    void read()
    {
        answer += readAll();
        const int newline = answer.indexOf('\n');
        if (newline >= 0)
            end(answer.left(newline) == "0",
                answer.left(newline) == "0" ? QString() : serviceRefusal(answer.left(newline)));
    }

    // Called once, whichever end comes first; the request goes with it.
    void end(bool moved, const QString &reason)
    {
        disconnect();
        retry.stop();
        deadline.stop();
        abort();
        deleteLater();
        finished(moved, reason);
    }

    const QByteArray request;
    QByteArray answer;
    const ClockMoved finished;
    QTimer retry, deadline;
};

} // namespace

void moveSystemClock(std::int64_t offsetNs, QObject *context, const ClockMoved &finished)
{
    const int error = moveClockBy(offsetNs);
    // Without the right itself, the program asks the service that holds it.
    if (error == ERROR_PRIVILEGE_NOT_HELD)
        new ServiceRequest(offsetNs, context, finished);
    else
        finished(error == 0, error == 0 ? QString() : systemMessage(DWORD(error)));
}

} // namespace platform
