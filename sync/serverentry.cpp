#include "sync/serverentry.h"

std::optional<ServerEntry> ServerEntry::parse(const QString &line)
{
    const QStringList fields = entryFields(line);
    if (fields.size() <= 3)
        return std::nullopt;
    return ServerEntry{fields.at(0), entrySeconds(fields.at(1)), entrySeconds(fields.at(2)),
                       fields.at(3).toInt(nullptr, 10)};
}

QString ServerEntry::text() const
{
    // One substitution pass, so a '%' in a hand-edited host stays as it is.
    return QStringLiteral("%1 %2 %3 %4")
        .arg(host, QString::number(limit), QString::number(period), QString::number(state));
}

QStringList entryFields(const QString &line)
{
    return line.split(QLatin1Char(' '), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

quint32 entrySeconds(const QString &field, bool *inRange)
{
    constexpr qint64 largest = 0xffffffffLL;
    bool isNumber = false;
    const qint64 value = field.toLongLong(&isNumber, 10);
    const bool valid = isNumber && value >= -largest && value <= largest;
    if (inRange)
        *inRange = valid;
    return valid ? static_cast<quint32>(value) : 0; // the conversion wraps "-n" to 2^32 - n
}
