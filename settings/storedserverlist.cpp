#include "settings/storedserverlist.h"

namespace storedserverlist {

namespace {

const QString section = QStringLiteral("serverIplist/");
// A list of servers is short; a position beyond this is not read, so that a hand-edited number
// cannot make the program build millions of items.
constexpr int maxPositions = 10000;

QString elementKey(int position)
{
    return QStringLiteral("%1/serverList_%2").arg(position).arg(position - 1);
}

} // namespace

List read(const QMap<QString, QString> &values)
{
    List list;
    // An entry under another section, a damaged section name for instance, is one the program cannot read.
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        list.allRead =
            list.allRead && (it.key().startsWith(section) || !it.key().contains(QLatin1String("serverList_")));
    QMap<int, QString> byPosition;
    for (auto it = values.lowerBound(section); it != values.cend() && it.key().startsWith(section); ++it) {
        const QString key = it.key().mid(section.size());
        bool isNumber = false;
        const int position = key.section(QLatin1Char('/'), 0, 0).toInt(&isNumber);
        if (!key.contains(QLatin1Char('/')))
            continue; // "size", or a key that holds no entry
        // An entry under another suffix, as written by hand, counts where its position has no other.
        const bool entry = isNumber && position >= 1 && position <= maxPositions
                           && key.section(QLatin1Char('/'), 1).startsWith(QLatin1String("serverList_"));
        const bool exact = key == elementKey(position);
        list.allRead = list.allRead && entry && !byPosition.contains(position);
        if (entry && (exact || !byPosition.contains(position)))
            byPosition.insert(position, it.value());
    }
    bool sizeIsNumber = false;
    const int size = values.value(section + QStringLiteral("size")).toInt(&sizeIsNumber);
    const int last = byPosition.isEmpty() ? 0 : byPosition.lastKey();
    const int count = sizeIsNumber && size >= 0 && size < last ? size : last;
    list.allRead = list.allRead && count == last;
    for (int position = 1; position <= count; ++position)
        list.entries << byPosition.value(position);
    return list;
}

void write(QMap<QString, QString> &values, const QStringList &entries)
{
    for (auto it = values.lowerBound(section); it != values.end() && it.key().startsWith(section);)
        it = values.erase(it);
    for (int i = 0; i < entries.size(); ++i)
        values.insert(section + elementKey(i + 1), entries.at(i));
    values.insert(section + QStringLiteral("size"), QString::number(entries.size()));
}

} // namespace storedserverlist
