#include "desktop/clockface.h"

#include <QCoreApplication>

QString clockTimeText(const QDateTime &now)
{
    return QCoreApplication::translate("MainWindow", "<font style = 'font-size:65px;'>%1</font>")
        .arg(now.toString(QStringLiteral("hh:mm:ss")));
}

QString clockDateText(const QDateTime &now)
{
    return QCoreApplication::translate("MainWindow", "<font style = 'font-size:46px;'>%2</font>")
        .arg(now.toString(QStringLiteral("yyyy/MM/dd")));
}

int msToNextSecond(const QDateTime &now)
{
    // The reading drops the sub-millisecond part, so one extra millisecond is always past the turn.
    return 1000 - now.time().msec() + 1;
}
