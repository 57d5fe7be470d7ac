#pragma once

#include <QString>

class QComboBox;

// Rules of the server list that the entry dialog and the list commands apply.
namespace serverlist {

// Any white space would split the host into extra fields of the entry line.
bool hasWhiteSpace(const QString &server);

// The list holds no server: only the blank item that deleting the last entry leaves, whose entry
// is empty. A real entry is never taken for it, however short its host.
bool holdsOnlyPlaceholder(const QComboBox &list);

// Host names are compared whole, letter case included; empty items name no host.
bool isListed(const QComboBox &list, const QString &server);

} // namespace serverlist
