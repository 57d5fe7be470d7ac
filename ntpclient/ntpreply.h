#pragma once

#include "ntpclient_export.h"

#include <QDateTime>
#include <QMetaType>
#include <QtGlobal>

// The outcome of one answered request. Offsets are positive when the server is ahead.
class NTPCLIENT_EXPORT NtpReply
{
public:
    NtpReply() = default;
    NtpReply(qint64 offsetMs, qint64 delayMs, const QDateTime &disposeTime);
    // As measured, to the nanosecond; the millisecond values are those rounded to the nearest.
    static NtpReply measured(qint64 offsetNs, qint64 delayNs, const QDateTime &disposeTime);

    qint64 localClockOffset() const { return m_offsetMs; }
    qint64 roundTripDelay() const { return m_delayMs; }
    qint64 offsetNs() const { return m_offsetNs; }
    qint64 delayNs() const { return m_delayNs; }
    // The server's time when the reply was handed over, to the nearest millisecond, as wall-clock
    // fields 8 hours ahead of UTC.
    QDateTime disposeTime() const { return m_disposeTime; }

private:
    qint64 m_offsetMs = 0;
    qint64 m_delayMs = 0;
    qint64 m_offsetNs = 0;
    qint64 m_delayNs = 0;
    QDateTime m_disposeTime;
};

Q_DECLARE_METATYPE(NtpReply)
