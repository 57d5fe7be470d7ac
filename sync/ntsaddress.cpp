#include "sync/ntsaddress.h"

#include <QRegularExpression>

std::optional<NtsAddress> NtsAddress::parse(const QString &server)
{
    static const QRegularExpression pattern(
        QStringLiteral("^nts://(?:\\[([0-9a-fA-F:.]+)\\]|([^\\s:/\\[\\]]+))(?::(\\d{1,5}))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(server);
    if (!match.hasMatch())
        return std::nullopt;
    NtsAddress address;
    address.host = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    if (match.capturedLength(3) > 0) {
        const uint port = match.captured(3).toUInt();
        if (port == 0 || port > 65535)
            return std::nullopt;
        address.port = quint16(port);
    }
    return address;
}
