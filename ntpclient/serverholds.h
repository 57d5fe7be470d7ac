#pragma once

#include <QByteArray>
#include <QHostAddress>

#include <chrono>
#include <optional>
#include <vector>

// Servers that told the client to stop with a kiss-o'-death (RFC 5905 7.4, RFC 4330 8): after RATE
// no request goes to that server for 64 s, doubling each time it says so again; after DENY or RSTR
// none for the rest of the run. Other codes hold nothing back.
class ServerHolds
{
public:
    using Clock = std::chrono::steady_clock;

    void kissed(const QHostAddress &address, quint16 port, const QByteArray &code, Clock::time_point now);
    // A reply accepted after the hold has run out ends the doubling.
    void answered(const QHostAddress &address, quint16 port, Clock::time_point now);
    // The code the server sent while its hold lasts, empty otherwise.
    QByteArray heldBy(const QHostAddress &address, quint16 port, Clock::time_point now) const;

private:
    struct Hold
    {
        QHostAddress address;
        quint16 port = 0;
        QByteArray code;
        Clock::duration interval{};
        std::optional<Clock::time_point> until; // none: for good
    };
    std::vector<Hold>::iterator find(const QHostAddress &address, quint16 port);

    std::vector<Hold> m_holds;
};
