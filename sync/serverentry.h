#pragma once

#include <QString>
#include <QStringList>

// A server entry is one line "host limit period state", fields separated by single spaces.

// Splits at every single space and keeps empty parts, so "a  b" gives "a", "", "b".
QStringList entryFields(const QString &entry);

// A field read as a signed decimal number; 0 when it is not one.
qint32 fieldNumber(const QString &field);

// Limit and period are kept unsigned from the signed reading: "-n" becomes 2^32 - n.
quint32 fieldSeconds(const QString &field);
