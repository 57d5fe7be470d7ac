#include "servers/serverlist.h"

#include <QComboBox>

#include <algorithm>

namespace serverlist {

bool hasWhiteSpace(const QString &server)
{
    return std::any_of(server.cbegin(), server.cend(), [](QChar c) { return c.isSpace(); });
}

bool holdsOnlyPlaceholder(const QComboBox &list)
{
    return list.count() == 1 && list.itemData(0, Qt::UserRole).toString().isEmpty();
}

bool isListed(const QComboBox &list, const QString &server)
{
    for (int i = 0; i < list.count(); ++i) {
        const QString host = list.itemText(i);
        if (!host.isEmpty() && host == server)
            return true;
    }
    return false;
}

} // namespace serverlist
