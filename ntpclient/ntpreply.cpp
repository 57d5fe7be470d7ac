#include "ntpreply.h"

#include "ntppacket.h"

#include <limits>

NtpReply::NtpReply(qint64 offsetMs, qint64 delayMs, const QDateTime &disposeTime)
    : m_offsetMs(offsetMs), m_delayMs(delayMs), m_disposeTime(disposeTime)
{
    // Whole milliseconds as nanoseconds, where that fits.
    constexpr qint64 limitMs = std::numeric_limits<qint64>::max() / 1000000;
    m_offsetNs = qBound(-limitMs, offsetMs, limitMs) * 1000000;
    m_delayNs = qBound(-limitMs, delayMs, limitMs) * 1000000;
}

NtpReply NtpReply::measured(qint64 offsetNs, qint64 delayNs, const QDateTime &disposeTime)
{
    NtpReply reply(ntppacket::roundToMs(offsetNs), ntppacket::roundToMs(delayNs), disposeTime);
    reply.m_offsetNs = offsetNs;
    reply.m_delayNs = delayNs;
    return reply;
}
