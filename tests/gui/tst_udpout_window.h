#pragma once

// Shared by the time feed tests and its bench: a main window that runs on a loopback-only
// ntp.ini in a folder of its own, and a UDP receiver that notes when each datagram came.

#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"
#include "mainwindow/mainwindow.h"

#include <QDateTime>
#include <QEventLoop>
#include <QHostAddress>
#include <QList>
#include <QSettings>
#include <QNetworkDatagram>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <memory>

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

// Points the output fields of a built window at the target, whatever the load made of them.
inline void aimOutput(MainWindow &window, const OutputFields &fields)
{
    MainWindowProbe probe(window);
    probe.ui()->lineEdit_objip->setText(fields.objIp);
    probe.ui()->lineEdit_localport->setText(fields.localPort);
    probe.ui()->lineEdit_objport->setText(fields.objPort);
}

// The local time a datagram carries, to the second.
inline QDateTime timeIn(const QByteArray &datagram)
{
    return QDateTime::fromString(QString::fromLatin1(datagram.mid(8, 19)), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

inline QDateTime secondOf(const QDateTime &time)
{
    return time.addMSecs(-time.time().msec());
}

// Collects the debug lines written while it lives.
class DebugLineRecorder
{
public:
    DebugLineRecorder()
    {
        lines().clear();
        qInstallMessageHandler(record);
    }
    ~DebugLineRecorder() { qInstallMessageHandler(nullptr); }
    DebugLineRecorder(const DebugLineRecorder &) = delete;
    DebugLineRecorder &operator=(const DebugLineRecorder &) = delete;

    static QStringList &lines()
    {
        static QStringList recorded;
        return recorded;
    }

private:
    static void record(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type == QtDebugMsg)
            lines().append(message);
    }
};

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

// A window built on the settings already in place, its output aimed at the receiver.
inline std::unique_ptr<MainWindow> windowAimedAt(const UdpReceiver &receiver)
{
    auto window = std::make_unique<MainWindow>();
    OutputFields target;
    target.objPort = receiver.portText();
    aimOutput(*window, target);
    return window;
}
