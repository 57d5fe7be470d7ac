#include "sync/dottedquad.h"

#include <QStringList>

namespace dottedquad {

QHostAddress toAddress(const QString &matchedText)
{
    quint32 address = 0;
    for (const QString &part : matchedText.split(QLatin1Char('.')))
        address = (address << 8) | (part.toUInt() & 0xffu);
    return QHostAddress(address);
}

} // namespace dottedquad
