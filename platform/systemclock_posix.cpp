#include "platform/systemclock.h"

#include "platform/clockoffset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace platform {

namespace {

constexpr int helperTimeMs = 5000;

// Beside the program in its build folder, or where the package puts it.
QString helperBesideProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("chronvale-settime"));
}

QString installedHelper()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../lib/chronvale/chronvale-settime"));
}

QString settimeHelper()
{
    const QString beside = helperBesideProgram();
    return QFileInfo::exists(beside) ? beside : installedHelper();
}

// The helper ran, or was started, but may not set the clock: the right was never given to it, or
// this system withholds it (a nosuid mount, no_new_privs, a container).
QString helperLacksTheRight(const QString &helper)
{
    const QString setcap = QStringLiteral("sudo setcap cap_sys_time+ep %1").arg(helper);
    if (helper == helperBesideProgram())
        return QCoreApplication::translate("MainWindow", "源码构建的chronvale-settime没有设置时钟的权限，请执行：%1")
            .arg(QStringLiteral("sudo chgrp chronvale %1 && sudo chmod 0750 %1 && ").arg(helper) + setcap);
    return QCoreApplication::translate("MainWindow",
                                       "chronvale-settime没有设置时钟的权限：请重新安装软件包（%1），或执行%2")
        .arg(QStringLiteral("sudo apt install --reinstall chronvale"), setcap);
}

QString joinTheGroup()
{
    return QCoreApplication::translate("MainWindow",
                                       "请把用户加入chronvale组（sudo usermod -aG chronvale 用户名），然后重新登录");
}

QString withRemedy(const QString &reason, const QString &remedy)
{
    return reason.isEmpty() ? remedy : reason + QLatin1Char('\n') + remedy;
}

// What the helper's end says: its exit code, or the signal that ended it, or why it never started.
QString helperFailure(const QString &helper, QProcess &process)
{
    if (process.error() == QProcess::FailedToStart) {
        const QString reason = process.errorString();
        // The kernel refuses to run a file whose capability this process may not pass on.
        return reason.endsWith(qt_error_string(EPERM)) ? withRemedy(reason, helperLacksTheRight(helper)) : reason;
    }
    if (process.exitStatus() == QProcess::CrashExit) // Qt's exit code is the signal's number then
        return QCoreApplication::translate("MainWindow", "chronvale-settime被信号%1（%2）终止")
            .arg(process.exitCode())
            .arg(QString::fromLocal8Bit(strsignal(process.exitCode())));
    const QString reason = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    // 3: the helper ran for this user, and the system refused it the clock.
    return process.exitCode() == 3 ? withRemedy(reason, helperLacksTheRight(helper)) : reason;
}

// The helper moves the clock by the offset at the moment it runs, so the time it takes to start does
// not count. It runs beside the event loop, so that the clock and the time feed go on meanwhile.
void moveThroughHelper(std::int64_t offsetNs, QObject *context, const ClockMoved &finished)
{
    const QString helper = settimeHelper();
    if (!QFileInfo::exists(helper)) {
        finished(false, QCoreApplication::translate("MainWindow", "找不到设置时钟的辅助程序%1")
                            .arg(helperBesideProgram() + QStringLiteral("、") + installedHelper()));
        return;
    }
    if (::access(QFile::encodeName(helper).constData(), X_OK) != 0 && errno == EACCES) {
        finished(false, withRemedy(qt_error_string(EACCES), joinTheGroup()));
        return;
    }
    auto *process = new QProcess(context);
    auto *deadline = new QTimer(process);
    // Called once, whichever of the ends comes first; the process goes with it.
    const auto end = [process, finished](bool moved, const QString &reason) {
        process->disconnect();
        process->deleteLater();
        finished(moved, reason);
    };
    QObject::connect(process, &QProcess::errorOccurred, process, [=](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(false, helperFailure(helper, *process));
    });
    QObject::connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process,
                     [=](int code, QProcess::ExitStatus status) {
                         const bool moved = status == QProcess::NormalExit && code == 0;
                         end(moved, moved ? QString() : helperFailure(helper, *process));
                     });
    QObject::connect(deadline, &QTimer::timeout, process, [=] {
        process->kill();
        end(false, QStringLiteral("chronvale-settime timed out"));
    });
    process->setProcessChannelMode(QProcess::SeparateChannels);
    deadline->setSingleShot(true);
    deadline->start(helperTimeMs);
    process->start(helper, {QString::number(offsetNs)}, QIODevice::ReadOnly);
}

} // namespace

void moveSystemClock(std::int64_t offsetNs, QObject *context, const ClockMoved &finished)
{
    const int error = moveClockBy(offsetNs);
    // Without the right itself, the program asks the helper that holds it.
    if (error == EPERM)
        moveThroughHelper(offsetNs, context, finished);
    else
        finished(error == 0, error == 0 ? QString() : qt_error_string(error));
}

} // namespace platform
