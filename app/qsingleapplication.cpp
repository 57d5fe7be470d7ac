#include "app/qsingleapplication.h"

#include "platform/instance.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTextStream>
#include <QThread>
#include <QTimer>

namespace {
constexpr int connectTimeoutMs = 3000;
constexpr int handOverWriteTimeoutMs = 30000;
constexpr int handOverReadTimeoutMs = 1000;
} // namespace

QSingleApplication::QSingleApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    running = false;
    setApplicationName(QStringLiteral("SChronvaleS"));
    setApplicationVersion(QStringLiteral("02"));
    setOrganizationName(QStringLiteral("Orvelisk"));
    setOrganizationDomain(QString());

    // Whoever holds the lock is the one copy: copies started together cannot both miss each other,
    // and an endpoint left by a copy that died is known to be stale. A lock that cannot be taken for
    // another reason (an unwritable folder) leaves the program running without the guard.
    const QString instanceName = organizationName() + applicationName();
    lock = std::make_unique<QLockFile>(platform::instanceLockFile(instanceName));
    lock->setStaleLockTime(0); // stale only when its owner is gone, however long it has been held
    running = !lock->tryLock(0) && lock->error() == QLockFile::LockFailedError;
    if (running)
        handOverToRunningCopy(platform::instanceServerName(instanceName));
    else
        listen(platform::instanceServerName(instanceName));
}

QSingleApplication::~QSingleApplication() = default;

void QSingleApplication::handOverToRunningCopy(const QString &serverName)
{
    // The first copy may have taken the lock a moment ago and not listen yet.
    QLocalSocket socket;
    const QDeadlineTimer deadline(connectTimeoutMs);
    socket.connectToServer(serverName, QIODevice::ReadWrite);
    while (!socket.waitForConnected(100) && !deadline.hasExpired()) {
        QThread::msleep(50);
        socket.connectToServer(serverName, QIODevice::ReadWrite);
    }
    if (socket.state() != QLocalSocket::ConnectedState)
        return;

    const QStringList args = arguments();
    const QString text = args.size() >= 2 ? args.last() : QString();
    {
        QTextStream stream(&socket);
        stream << text;
        stream.flush();
    }
    qDebug() << "Have already connected to server.";
    socket.waitForBytesWritten(handOverWriteTimeoutMs);
    socket.close();
}

void QSingleApplication::listen(const QString &serverName)
{
    localServer = new QLocalServer(this);
    // Only this user may hand over texts or find us running.
    localServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(localServer, SIGNAL(newConnection()), this, SLOT(newLocalConnection()));
    // This copy holds the lock, so an endpoint already there was left by one that died.
    QLocalServer::removeServer(serverName);
    localServer->listen(serverName);
}

// The text is read once the other copy has closed the connection, or after a second, without
// holding up the window meanwhile: a peer that connects and sends nothing costs nothing.
void QSingleApplication::newLocalConnection()
{
    while (QLocalSocket *socket = localServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { readHandOver(socket, true); });
        QTimer::singleShot(handOverReadTimeoutMs, socket, [this, socket] { readHandOver(socket, false); });
    }
}

void QSingleApplication::readHandOver(QLocalSocket *socket, bool handedOver)
{
    if (socket->property("read").toBool())
        return;
    socket->setProperty("read", true);
    QTextStream stream(socket);
    QString word;
    stream >> word;
    qDebug().noquote() << QStringLiteral("The value is: %1").arg(word);
    socket->deleteLater();
    if (handedOver)
        emit anotherCopyStarted();
}
