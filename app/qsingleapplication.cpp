#include "app/qsingleapplication.h"

#include "platform/localendpoint.h"

#include <QDebug>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTextStream>

namespace {
constexpr int probeTimeoutMs = 500;
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

    const QString instanceName = organizationName() + applicationName();
    if (handOverToRunningCopy(instanceName))
        running = true;
    else
        listen(instanceName);
}

bool QSingleApplication::handOverToRunningCopy(const QString &instanceName)
{
    QLocalSocket socket;
    socket.connectToServer(instanceName, QIODevice::ReadWrite);
    if (!socket.waitForConnected(probeTimeoutMs))
        return false;

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
    return true;
}

void QSingleApplication::listen(const QString &instanceName)
{
    localServer = new QLocalServer(this);
    // Only this user may hand over texts or find us running.
    localServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(localServer, SIGNAL(newConnection()), this, SLOT(newLocalConnection()));
    if (localServer->listen(instanceName))
        return;
    if (localServer->serverError() != QAbstractSocket::AddressInUseError)
        return;
    // A copy that died left its endpoint behind; nobody answered it, so it is stale.
    const QString endpoint = platform::localEndpointFile(instanceName);
    if (!endpoint.isEmpty() && QFile::exists(endpoint)) {
        QFile::remove(endpoint);
        localServer->listen(instanceName);
    }
}

void QSingleApplication::newLocalConnection()
{
    QLocalSocket *socket = localServer->nextPendingConnection();
    if (!socket)
        return;
    socket->waitForReadyRead(handOverReadTimeoutMs);
    QTextStream stream(socket);
    QString word;
    stream >> word;
    qDebug().noquote() << QStringLiteral("The value is: %1").arg(word);
    delete socket;
}
