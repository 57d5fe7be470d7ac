#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>

// The server list as tests build and compare it: item text = host, item data = entry line.
struct ServerListSnapshot
{
    QStringList texts;
    QStringList entries;
    int current = -1;

    bool operator==(const ServerListSnapshot &other) const
    {
        return texts == other.texts && entries == other.entries && current == other.current;
    }
};

// Fills the combo box with one item per entry line, its host being the first field, and selects `current`.
void fillServerList(QComboBox &list, const QStringList &entries, int current = 0);

ServerListSnapshot snapshotOf(const QComboBox &list);

// For QCOMPARE failure messages.
char *toString(const ServerListSnapshot &snapshot);
