#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A server entry: one line "host limit period state", fields separated by single spaces. Limit and
// period are unsigned 32-bit seconds, read and written the same way wherever an entry is: "-n" reads
// as 2^32 - n, a field that is no number in that range as 0, and they are written unsigned, so an
// entry means the same after any number of round trips.
struct ServerEntry
{
    QString host;
    quint32 limit = 0;
    quint32 period = 0;
    qint32 state = 0;

    // Nothing for a line of fewer than four fields; fields beyond the fourth are ignored.
    static std::optional<ServerEntry> parse(const QString &line);
    QString text() const;
};

// Splits at every single space and keeps empty parts, so "a  b" gives "a", "", "b".
QStringList entryFields(const QString &line);

// A limit or period field; *inRange tells whether it is a number from -(2^32 - 1) to 2^32 - 1.
quint32 entrySeconds(const QString &field, bool *inRange = nullptr);
