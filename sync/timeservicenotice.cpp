#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include <QLabel>

// Two programs that step one clock undo each other's work, and the user cannot tell why from the
// clock alone: said once in the status line, and under every tooltip of the sync line. The program
// still sets the clock: the user chose it.
void MainWindow::timeServiceFound(const QString &name)
{
    statusLabel->setText(tr("时间服务%1也在设置时钟").arg(name));
    ui->label_syncinfo->setNote(tr("系统的时间服务%1也在运行，它和本程序都会设置系统时钟").arg(name));
}
