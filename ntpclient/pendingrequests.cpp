#include "pendingrequests.h"

#include <algorithm>

namespace {

// A dual-stack socket reports IPv4 senders as ::ffff:a.b.c.d.
bool sameHost(const QHostAddress &a, const QHostAddress &b)
{
    return a.isEqual(b, QHostAddress::ConvertV4MappedToIPv4);
}

} // namespace

PendingRequests::PendingRequests(std::size_t capacity, Clock::duration lifetime)
    : m_capacity(std::max<std::size_t>(capacity, 1)), m_lifetime(lifetime)
{
}

void PendingRequests::add(ntppacket::Timestamp key, const QHostAddress &address, quint16 port, Sent sent,
                          Clock::time_point now, const QByteArray &context)
{
    dropExpired(now);
    while (m_requests.size() >= m_capacity)
        m_requests.pop_front();
    m_requests.push_back(Request{key, address, port, sent, now + m_lifetime, context});
}

std::optional<PendingRequests::Request> PendingRequests::find(ntppacket::Timestamp key, const QHostAddress &source,
                                                              quint16 sourcePort, Clock::time_point now)
{
    dropExpired(now);
    const auto match = std::find_if(m_requests.begin(), m_requests.end(), [&](const Request &r) {
        return r.key == key && r.port == sourcePort && sameHost(r.address, source);
    });
    if (match == m_requests.end())
        return std::nullopt;
    return *match;
}

void PendingRequests::forget(ntppacket::Timestamp key)
{
    m_requests.erase(
        std::remove_if(m_requests.begin(), m_requests.end(), [key](const Request &r) { return r.key == key; }),
        m_requests.end());
}

void PendingRequests::dropExpired(Clock::time_point now)
{
    while (!m_requests.empty() && m_requests.front().expiresAt <= now)
        m_requests.pop_front();
}

ntppacket::Measurement PendingRequests::measure(const Sent &sent, ntppacket::Timestamp t2, ntppacket::Timestamp t3,
                                                std::chrono::system_clock::time_point receivedAt)
{
    const ntppacket::Timestamp t4 = ntppacket::fromSystemTime(receivedAt);
    const ntppacket::Timestamp t1 =
        ntppacket::departure(ntppacket::fromSystemTime(sent.start), ntppacket::fromSystemTime(sent.end), t2, t3, t4);
    return ntppacket::measure(t1, t2, t3, t4);
}
