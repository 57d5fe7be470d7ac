#pragma once

#include <QString>

class QComboBox;

// Rules of the server list that the entry dialog applies before it writes an entry.
namespace serverlist {

// The entry line the dialog writes: host, limit and period as typed, state 0.
QString entryLine(const QString &server, const QString &limit, const QString &period);

// Any white space would split the host into extra fields of the entry line.
bool hasWhiteSpace(const QString &server);

// A list of exactly one item whose text has at most three characters is filled, not appended to.
bool holdsOnlyPlaceholder(const QComboBox &list);

// Host names are compared whole and without regard to letter case; empty items name no host.
bool isListed(const QComboBox &list, const QString &server);

} // namespace serverlist
