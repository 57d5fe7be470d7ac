#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// The server list as ntp.ini holds it: each entry under "<position>\serverList_<position - 1>" of
// [serverIplist], positions counted from 1, and their count under "size".
namespace storedserverlist {

struct List
{
    // Up to the last position present, or to the size where that is smaller; a gap reads as an empty entry.
    QStringList entries;
    // False when the file holds an entry that is not among them.
    bool allRead = true;
};

List read(const QMap<QString, QString> &values);

// Puts the entries in place of the list the values held.
void write(QMap<QString, QString> &values, const QStringList &entries);

} // namespace storedserverlist
