#include "platform/systemclock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

// Beside the program in its build folder, or where the package puts it.
QString settimeHelper()
{
    const QDir folder(QCoreApplication::applicationDirPath());
    const QString beside = folder.filePath(QStringLiteral("chronvale-settime"));
    return QFileInfo::exists(beside) ? beside : folder.filePath(QStringLiteral("../lib/chronvale/chronvale-settime"));
}

// The helper moves the clock by the offset at the moment it runs, so the time it takes to start does
// not count.
bool moveClockThroughHelper(const QDateTime &utc, QString *reason)
{
    using namespace std::chrono;
    const qint64 nowNs = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    const qint64 offsetNs = utc.toMSecsSinceEpoch() * 1000000 - nowNs;
    QProcess helper;
    helper.setProcessChannelMode(QProcess::SeparateChannels);
    helper.start(settimeHelper(), {QString::number(offsetNs)}, QIODevice::ReadOnly);
    const bool started = helper.waitForStarted(5000);
    if (started && !helper.waitForFinished(5000)) {
        helper.kill();
        helper.waitForFinished(1000);
        *reason = QStringLiteral("chronvale-settime timed out");
        return false;
    }
    if (started && helper.exitStatus() == QProcess::NormalExit && helper.exitCode() == 0)
        return true;
    *reason = started ? QString::fromLocal8Bit(helper.readAllStandardError()).trimmed() : helper.errorString();
    // A helper missing, or one this user may not run or that may not set the clock: say what to do.
    if (!started || helper.exitCode() == 3)
        *reason += QLatin1Char('\n')
                   + QCoreApplication::translate(
                       "MainWindow", "请把用户加入chronvale组（sudo usermod -aG chronvale 用户名），然后重新登录");
    return false;
}

} // namespace

bool setSystemClockUtc(const QDateTime &utc, QString *reason)
{
    // An invalid value would read as the epoch; never set the clock to that.
    if (!utc.isValid()) {
        *reason = QStringLiteral("invalid date and time");
        return false;
    }
    const qint64 ms = utc.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
    if (ts.tv_nsec < 0) { // before 1970: borrow a second
        ts.tv_sec -= 1;
        ts.tv_nsec += 1000000000L;
    }
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return true;
    // Without the right itself, the program asks the helper that holds it.
    if (errno == EPERM)
        return moveClockThroughHelper(utc, reason);
    *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

} // namespace platform
