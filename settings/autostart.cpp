#include "mainwindow/mainwindow.h"

#include "platform/autostart.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>

// A registration that cannot be written is not reported; the box stays as the user left it.
void MainWindow::on_checkBox_startrun_stateChanged(int arg1)
{
    const QString name = QStringLiteral("razudori");
    if (arg1 > 0)
        platform::registerStartAtLogon(name, QCoreApplication::applicationFilePath());
    else
        platform::clearStartAtLogon(name);
}
