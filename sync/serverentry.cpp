#include "sync/serverentry.h"

QStringList entryFields(const QString &entry)
{
    return entry.split(QLatin1Char(' '), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

qint32 fieldNumber(const QString &field)
{
    return field.toInt(nullptr, 10);
}

quint32 fieldSeconds(const QString &field)
{
    return static_cast<quint32>(fieldNumber(field));
}
