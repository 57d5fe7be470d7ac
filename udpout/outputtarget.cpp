#include "udpout/outputtarget.h"

#include "mainwindow/inputpatterns.h"
#include "sync/dottedquad.h"

namespace outputtarget {

bool isLimitedBroadcast(const QString &targetIp)
{
    return targetIp == QLatin1String("255.255.255.255");
}

QHostAddress destination(const QString &targetIp)
{
    if (isLimitedBroadcast(targetIp))
        return QHostAddress(QHostAddress::Broadcast);
    if (!inputpatterns::isAddress(targetIp))
        return QHostAddress();
    return dottedquad::toAddress(targetIp);
}

bool portInRange(const QString &text, int lowest)
{
    bool isNumber = false;
    const int port = text.toInt(&isNumber, 10);
    return isNumber && inputpatterns::isNumber(text) && port >= lowest && port <= 65535;
}

quint16 targetPort(const QString &text)
{
    return portInRange(text, 1) ? static_cast<quint16>(text.toInt(nullptr, 10)) : 0;
}

} // namespace outputtarget
