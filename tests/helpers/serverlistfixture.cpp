#include "helpers/serverlistfixture.h"

#include <QTest>

void fillServerList(QComboBox &list, const QStringList &entries, int current)
{
    list.clear();
    for (const QString &entry : entries)
        list.addItem(entry.section(QLatin1Char(' '), 0, 0), entry);
    list.setCurrentIndex(current);
}

ServerListSnapshot snapshotOf(const QComboBox &list)
{
    ServerListSnapshot snapshot;
    for (int i = 0; i < list.count(); ++i) {
        snapshot.texts.append(list.itemText(i));
        snapshot.entries.append(list.itemData(i).toString());
    }
    snapshot.current = list.currentIndex();
    return snapshot;
}

char *toString(const ServerListSnapshot &snapshot)
{
    const QString text = QStringLiteral("texts [%1] entries [%2] current %3")
                             .arg(snapshot.texts.join(QLatin1Char('|')), snapshot.entries.join(QLatin1Char('|')))
                             .arg(snapshot.current);
    return QTest::toString(text);
}
