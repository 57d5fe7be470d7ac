#pragma once

#include "ntpclient.h"

#include <QEventLoop>
#include <climits>
#include <QList>
#include <QTimer>

// Keeps every replyReceived of a client, with the address and port it names.
class ReplyLog
{
public:
    struct Entry
    {
        QHostAddress address;
        unsigned short port = 0;
        NtpReply reply;
    };

    explicit ReplyLog(NtpClient &client)
    {
        QObject::connect(&client, &NtpClient::replyReceived,
                         [this](const QHostAddress &address, unsigned short port, const NtpReply &reply) {
                             m_entries.append(Entry{address, port, reply});
                             if (m_loop && m_entries.size() >= m_target)
                                 m_loop->quit();
                         });
    }

    int count() const { return m_entries.size(); }
    const Entry &at(int index) const { return m_entries.at(index); }

    // Runs the event loop until `total` replies have come or the time is up. A real
    // event loop, not a polling wait, so that a reply is taken in as soon as it lands.
    bool waitFor(int total, int timeoutMs)
    {
        if (m_entries.size() < total)
            runLoop(total, timeoutMs);
        return m_entries.size() >= total;
    }

    // Runs the event loop for the whole time; true when exactly `total` replies
    // have come by its end.
    bool countStaysAt(int total, int forMs)
    {
        runLoop(INT_MAX, forMs);
        return m_entries.size() == total;
    }

private:
    void runLoop(int target, int timeoutMs)
    {
        QEventLoop loop;
        m_loop = &loop;
        m_target = target;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        m_loop = nullptr;
    }

    QList<Entry> m_entries;
    QEventLoop *m_loop = nullptr;
    int m_target = 0;
};
