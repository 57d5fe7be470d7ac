#include "mainwindow/inputpatterns.h"

#include <QRegExp>

namespace inputpatterns {

bool isAddress(const QString &text)
{
    return QRegExp(QString::fromLatin1(address())).exactMatch(text);
}

bool isNumber(const QString &text)
{
    return QRegExp(QString::fromLatin1(number())).exactMatch(text);
}

} // namespace inputpatterns
