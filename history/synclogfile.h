#pragma once

#include <QByteArray>
#include <QString>

// sync-log.csv in the folder that holds ntp.ini, and the older rows in sync-log.1.csv.
namespace synclogfile {

constexpr qint64 maxBytes = 1 << 20; // at which the file becomes sync-log.1.csv

QString currentPath(const QString &folder);
QString previousPath(const QString &folder);

// Appends one row, whole or not at all: a file that would grow beyond maxBytes is first moved to
// sync-log.1.csv (replacing the older one) and a new one begins with the byte-order mark and the
// columns' names. False when the row could not be written.
bool append(const QString &folder, const QByteArray &row);

} // namespace synclogfile
