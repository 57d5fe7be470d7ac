#include "platform/timeservice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QTimer>

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

void platform::findTimeService(QObject *context, const std::function<void(const QString &)> &found)
{
    if (const QString name = runningTimeService(); !name.isEmpty()) {
        QTimer::singleShot(0, context, [found, name] { found(name); });
        return;
    }
    // Where the processes are out of sight (a container, say), systemd's time settings still tell.
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
