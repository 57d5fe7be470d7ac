#pragma once

// Shared by the time feed tests and its bench: a main window that runs on a loopback-only
// ntp.ini in a folder of its own, and a UDP receiver that notes when each datagram came.

#include "helpers/loopbacksettings.h"

#include <QDateTime>
#include <QEventLoop>
#include <QHostAddress>
#include <QList>
#include <QSettings>
#include <QNetworkDatagram>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

struct OutputFields
{
    QString localPort = QStringLiteral("12345");
    QString objIp = QStringLiteral("127.0.0.1");
    QString objPort = QStringLiteral("12345");
    bool startAtLaunch = false;
};

// Must run before the window is built: its constructor loads the file and starts a sync.
inline bool useOutputSettings(const QTemporaryDir &dir, const OutputFields &fields)
{
    if (!dir.isValid())
        return false;
    QSettings settings(useLoopbackSettings(dir.path()), QSettings::IniFormat);
    settings.setValue(QStringLiteral("mainWindow/localPort"), fields.localPort);
    settings.setValue(QStringLiteral("mainWindow/objIp"), fields.objIp);
    settings.setValue(QStringLiteral("mainWindow/objPort"), fields.objPort);
    settings.setValue(QStringLiteral("mainWindow/startrun_ctr"), fields.startAtLaunch);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

struct ReceivedDatagram
{
    QByteArray bytes;
    QDateTime at;
};

class UdpReceiver
{
public:
    explicit UdpReceiver(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost), quint16 port = 0)
    {
        bound = socket.bind(address, port);
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            const QDateTime now = QDateTime::currentDateTime();
            while (socket.hasPendingDatagrams())
                received.append({socket.receiveDatagram().data(), now});
            if (waiting && received.size() >= wanted)
                waiting->quit();
        });
    }

    bool isBound() const { return bound; }
    quint16 port() const { return socket.localPort(); }
    QString portText() const { return QString::number(port()); }

    // Runs the event loop until `count` datagrams are in, or the time is up.
    bool waitFor(int count, int timeoutMsec)
    {
        if (received.size() >= count)
            return true;
        // An event loop of its own: QTest::qWait sleeps between passes, which would delay the feed.
        QEventLoop loop;
        wanted = count;
        waiting = &loop;
        QTimer::singleShot(timeoutMsec, &loop, &QEventLoop::quit);
        loop.exec();
        waiting = nullptr;
        return received.size() >= count;
    }

    QList<ReceivedDatagram> received;

private:
    QUdpSocket socket;
    bool bound = false;
    QEventLoop *waiting = nullptr;
    int wanted = 0;
};
