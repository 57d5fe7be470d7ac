#include "platform/timeservice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QThread>

#include <memory>

namespace {

// A process of a known time service; its name as the kernel keeps it, cut to 15 characters.
QString runningTimeService()
{
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const QByteArray name = comm.readAll().trimmed();
        if (name == "chronyd" || name == "ntpd")
            return QString::fromLatin1(name);
        if (name == "systemd-timesyn")
            return QStringLiteral("systemd-timesyncd");
    }
    return QString();
}

} // namespace

namespace {

// Where the processes are out of sight (a container, say), systemd's time settings still tell.
void askTimeSettings(QObject *context, const std::function<void(const QString &)> &found)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.timedate1"), QStringLiteral("/org/freedesktop/timedate1"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.timedate1") << QStringLiteral("NTP");
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(get, 5000), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [found, watcher] {
        const QDBusReply<QDBusVariant> reply = *watcher;
        if (reply.isValid() && reply.value().variant().toBool())
            found(QStringLiteral("systemd-timedated"));
        watcher->deleteLater();
    });
}

} // namespace

// The scan of /proc reads a file a process, on a thread of its own so that the window's start does not wait.
void platform::findTimeService(QObject *context, const std::function<void(const QString &)> &found)
{
    auto name = std::make_shared<QString>();
    QThread *scan = QThread::create([name] { *name = runningTimeService(); });
    QObject::connect(scan, &QThread::finished, scan, &QObject::deleteLater);
    QObject::connect(scan, &QThread::finished, context, [context, found, name] {
        if (name->isEmpty())
            askTimeSettings(context, found);
        else
            found(*name);
    });
    scan->start(QThread::LowPriority);
}
