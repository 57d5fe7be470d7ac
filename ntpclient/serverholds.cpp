#include "serverholds.h"

#include <algorithm>

namespace {

constexpr std::chrono::seconds firstRateHold{64};
constexpr std::chrono::hours longestRateHold{24};

bool sameServer(const QHostAddress &a, quint16 aPort, const QHostAddress &b, quint16 bPort)
{
    return aPort == bPort && a.isEqual(b, QHostAddress::ConvertV4MappedToIPv4);
}

} // namespace

std::vector<ServerHolds::Hold>::iterator ServerHolds::find(const QHostAddress &address, quint16 port)
{
    return std::find_if(m_holds.begin(), m_holds.end(),
                        [&](const Hold &h) { return sameServer(h.address, h.port, address, port); });
}

void ServerHolds::kissed(const QHostAddress &address, quint16 port, const QByteArray &code, Clock::time_point now)
{
    const bool rate = code == "RATE";
    if (!rate && code != "DENY" && code != "RSTR")
        return;
    auto hold = find(address, port);
    if (hold == m_holds.end())
        hold = m_holds.insert(m_holds.end(), Hold{address, port, code, {}, {}});
    else if (!hold->until)
        return; // already held for good
    hold->code = code;
    if (!rate) {
        hold->until.reset();
        return;
    }
    hold->interval = hold->interval == Clock::duration{}
                         ? Clock::duration(firstRateHold)
                         : std::min<Clock::duration>(2 * hold->interval, longestRateHold);
    hold->until = now + hold->interval;
}

void ServerHolds::answered(const QHostAddress &address, quint16 port, Clock::time_point now)
{
    const auto hold = find(address, port);
    if (hold != m_holds.end() && hold->until && *hold->until <= now)
        m_holds.erase(hold);
}

QByteArray ServerHolds::heldBy(const QHostAddress &address, quint16 port, Clock::time_point now) const
{
    for (const Hold &hold : m_holds)
        if (sameServer(hold.address, hold.port, address, port) && (!hold.until || now < *hold.until))
            return hold.code;
    return QByteArray();
}
