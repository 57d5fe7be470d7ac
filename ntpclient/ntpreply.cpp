#include "ntpreply.h"

NtpReply::NtpReply(qint64 offsetMs, qint64 delayMs, const QDateTime &disposeTime)
    : m_offsetMs(offsetMs), m_delayMs(delayMs), m_disposeTime(disposeTime)
{
}
