#pragma once

#include "ntppacket.h"

#include <QHostAddress>

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>

// Requests still waiting for their reply, found by their random key. The table is
// bounded in age and in number, so a silent server or a flood of requests leaves
// nothing lasting behind; a request is handed out at most once.
class PendingRequests
{
public:
    using Clock = std::chrono::steady_clock;

    // The request left between these two moments.
    struct Sent
    {
        std::chrono::system_clock::time_point start, end;
    };

    struct Request
    {
        ntppacket::Timestamp key = 0;
        QHostAddress address;
        quint16 port = 0;
        Sent sent;
        Clock::time_point expiresAt;
        QByteArray context; // the sender's own note on the request
    };

    static constexpr std::size_t kDefaultCapacity = 64;
    static constexpr std::chrono::seconds kDefaultLifetime{30};

    explicit PendingRequests(std::size_t capacity = kDefaultCapacity, Clock::duration lifetime = kDefaultLifetime);

    // Remembers a sent request; the oldest one is dropped when the table is full.
    void add(ntppacket::Timestamp key, const QHostAddress &address, quint16 port, Sent sent, Clock::time_point now,
             const QByteArray &context = {});

    // The four times of the exchange, the request's as it left during its send.
    static ntppacket::Measurement measure(const Sent &sent, ntppacket::Timestamp t2, ntppacket::Timestamp t3,
                                          std::chrono::system_clock::time_point receivedAt);

    // The live request with this key, provided the datagram came from the
    // address and port that request was sent to.
    std::optional<Request> find(ntppacket::Timestamp key, const QHostAddress &source, quint16 sourcePort,
                                Clock::time_point now);

    // Once answered, a request is never matched again.
    void forget(ntppacket::Timestamp key);

    std::size_t size() const { return m_requests.size(); }

private:
    void dropExpired(Clock::time_point now);

    std::size_t m_capacity;
    Clock::duration m_lifetime;
    std::deque<Request> m_requests; // oldest first
};
