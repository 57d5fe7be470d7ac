#include "app/applicationfont.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

void useEmbeddedFont()
{
    const int id = QFontDatabase::addApplicationFont(QStringLiteral("://msyh.ttf"));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty())
        return; // keep the toolkit's font rather than ask for a family that does not exist
    QApplication::setFont(QFont(families.first(), 10));
}
