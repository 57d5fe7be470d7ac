#include "mainwindow/mainwindow.h"

#include "platform/autostart.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QMessageBox>

// A registration that cannot be written is told, and the box goes back to what is registered.
void MainWindow::on_checkBox_startrun_stateChanged(int arg1)
{
    const QString name = QStringLiteral("razudori");
    if (arg1 > 0 ? platform::registerStartAtLogon(name, QCoreApplication::applicationFilePath())
                 : platform::clearStartAtLogon(name))
        return;
    QMessageBox::information(this, tr("错误"), tr("开机运行设置失败！"));
    const QSignalBlocker blocker(ui->checkBox_startrun);
    ui->checkBox_startrun->setChecked(arg1 == 0);
}
