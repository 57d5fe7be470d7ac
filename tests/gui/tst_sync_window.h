#pragma once

// A main window for the sync tests, built on a temporary ntp.ini that names only loopback
// servers and a loopback output target, and a listener that sees the requests it sends.

#include "fixtures/recordingclock.h"
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <limits>
#include <memory>

class SyncTestWindow
{
public:
    explicit SyncTestWindow(const QString &entry = QStringLiteral("127.0.0.1 100 1000 0"))
    {
        useLoopbackSettings(m_dir.path(), {entry});
        recordingclock::reset();
        m_window = std::make_unique<MainWindow>();
    }

    MainWindow &window() { return *m_window; }
    MainWindowProbe probe() { return MainWindowProbe(*m_window); }
    QComboBox *list() { return probe().ui()->comboBox_iplist; }

    // Replaces the server list and makes `current` the selected entry, with the selected-server
    // fields as the selection slot sets them from an entry of four or more fields.
    void useEntries(const QStringList &entries, int current)
    {
        list()->clear();
        for (const QString &entry : entries)
            list()->addItem(entry.section(QLatin1Char(' '), 0, 0), entry);
        select(current);
    }

    void select(int index)
    {
        list()->setCurrentIndex(index);
        const QStringList parts = list()->itemData(index).toString().split(QLatin1Char(' '));
        if (parts.size() <= 3)
            return;
        MainWindowProbe p = probe();
        p.serverHost() = parts.at(0);
        p.ntpVersion() = 4;
        p.ntpPort() = 123;
        p.syncLimit() = quint32(parts.at(1).toInt());
        p.syncPeriod() = quint32(parts.at(2).toInt());
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_window;
};

// Stands where an NTP server would and counts the requests that reach it.
class RequestListener
{
public:
    bool listen(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost))
    {
        return m_socket.bind(address, 123);
    }

    // Requests already queued; a request sent to loopback is queued before the send returns.
    QList<QByteArray> take()
    {
        QList<QByteArray> requests;
        if (m_socket.state() != QAbstractSocket::BoundState)
            return requests;
        while (m_socket.hasPendingDatagrams()) {
            QByteArray data(int(m_socket.pendingDatagramSize()), '\0');
            m_socket.readDatagram(data.data(), data.size());
            requests.append(data);
        }
        return requests;
    }

    // Requests that arrive within waitMs, returning early once `enough` have come.
    QList<QByteArray> takeWithin(int waitMs, int enough = std::numeric_limits<int>::max())
    {
        QElapsedTimer clock;
        clock.start();
        QList<QByteArray> requests = take();
        while (m_socket.state() == QAbstractSocket::BoundState && clock.elapsed() < waitMs
               && requests.size() < enough) {
            m_socket.waitForReadyRead(int(waitMs - clock.elapsed()));
            requests += take();
        }
        return requests;
    }

private:
    QUdpSocket m_socket;
};
