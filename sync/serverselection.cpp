#include "mainwindow/mainwindow.h"

#include "sync/serverentry.h"
#include "ui_mainwindow.h"

void MainWindow::on_comboBox_iplist_currentIndexChanged(int index)
{
    const QStringList fields = entryFields(ui->comboBox_iplist->itemData(index, Qt::UserRole).toString());
    // Short entries (a bare host, a missing field) leave the selected server as it was.
    if (fields.size() <= 3)
        return;
    serverHost = fields.at(0);
    ui->lineEdit_limit->setText(fields.at(1));
    ntpVersion = 4;
    ntpPort = 123;
    syncLimit = fieldSeconds(fields.at(1));
    ui->lineEdit_cyc->setText(fields.at(2));
    syncPeriod = fieldSeconds(fields.at(2));
}
