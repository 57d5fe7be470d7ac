#include "udpout/timemessage_format.h"

namespace timemessage {

QString validityFor(qint32 notSynced)
{
    return notSynced == 1 ? QStringLiteral("V,") : QStringLiteral("A,");
}

QByteArray datagram(const QString &validity, const QDateTime &localTime)
{
    QByteArray bytes;
    bytes.append("$TIME,");
    bytes.append(validity.toUtf8());
    bytes.append(localTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8());
    bytes.append("*(000ms start 00:00 end 00:00 Bri:0)");
    return bytes;
}

} // namespace timemessage
