#include "servers/serverlist.h"

#include <QComboBox>

#include <algorithm>

namespace serverlist {

QString entryLine(const QString &server, const QString &limit, const QString &period)
{
    // One multi-argument arg() so that a '%' typed into a field is never substituted again.
    return QStringLiteral("%1 %2 %3 0").arg(server, limit, period);
}

bool hasWhiteSpace(const QString &server)
{
    return std::any_of(server.cbegin(), server.cend(), [](QChar c) { return c.isSpace(); });
}

bool holdsOnlyPlaceholder(const QComboBox &list)
{
    return list.count() == 1 && list.itemText(0).size() <= 3;
}

bool isListed(const QComboBox &list, const QString &server)
{
    for (int i = 0; i < list.count(); ++i) {
        const QString host = list.itemText(i);
        if (!host.isEmpty() && host.compare(server, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace serverlist
