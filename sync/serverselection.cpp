#include "mainwindow/mainwindow.h"

#include "sync/serverentry.h"
#include "ui_mainwindow.h"

void MainWindow::on_comboBox_iplist_currentIndexChanged(int index)
{
    const QString line = ui->comboBox_iplist->itemData(index, Qt::UserRole).toString();
    const std::optional<ServerEntry> entry = ServerEntry::parse(line);
    // Short entries (a bare host, a missing field) leave the selected server as it was.
    if (!entry)
        return;
    const QStringList fields = entryFields(line);
    serverHost = entry->host;
    ui->lineEdit_limit->setText(fields.at(1));
    ntpVersion = 4;
    ntpPort = 123;
    syncLimit = entry->limit;
    ui->lineEdit_cyc->setText(fields.at(2));
    syncPeriod = entry->period;
}
