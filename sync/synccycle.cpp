#include "mainwindow/mainwindow.h"

#include "ntpclient.h"
#include "servers/serverlist.h"
#include "ui_mainwindow.h"

#include <QLabel>
#include <QMessageBox>
#include <QTimer>

namespace {

// A plain notice: no parent, no title of its own, run modally.
void showNotice(const QString &text)
{
    QMessageBox box;
    box.setText(text);
    box.exec();
}

} // namespace

void MainWindow::syncStart()
{
    if (!syncTimer || !statusTimer || !ntpClient) {
        ui->pushButton_sync->setEnabled(true);
        return;
    }
    if (serverlist::holdsOnlyPlaceholder(*ui->comboBox_iplist)) {
        ui->pushButton_sync->setEnabled(true);
        showNotice(tr("没有可用的服务器！"));
        return;
    }
    syncTimer->stop();
    keepSleepBaseline();
    // Said before the request, so that what the request says (a refusal, a failed lookup) stays.
    ui->label_syncinfo->setText(tr("请求同步时间"));
    // Runs on even after a failed lookup: the cycle keeps trying at the period.
    sendSyncRequest(true);
    syncTimer->start(1000);
    statusTicks = 0;
    syncTicks = 0;
}

void MainWindow::DoSync()
{
    syncAfterWake();
    if (syncTicks >= syncPeriod) {
        syncTicks = 0;
        sendSyncRequest(false);
    }
    syncTicks += 1;
}

void MainWindow::stopSync()
{
    notSynced = 1;
    syncTimer->stop();
    statusTimer->stop();
    ui->pushButton_sync->setText(tr("立即同步时间"));
    ui->pushButton_sync->setEnabled(true);
    syncTicks = 0;
    statusTicks = 0;
}

void MainWindow::on_pushButton_sync_clicked()
{
    ui->pushButton_sync->setEnabled(false);
    replyArrived = false;
    statusTimer->start(1000);
    syncStart();
    // Read the selected entry again; a changed entry counts from the next request on.
    on_comboBox_iplist_currentIndexChanged(ui->comboBox_iplist->currentIndex());
}

void MainWindow::DoStatus()
{
    statusTicks += 1;
    const quint64 ticks = statusTicks;
    if (replyArrived) {
        if (ticks > 1) {
            statusTicks = 0;
            statusTimer->stop();
            ui->pushButton_sync->setEnabled(true);
        }
        return;
    }
    if (ticks <= 4)
        return;

    // The fifth tick without a reply. Both timers stop before the box opens, so nothing re-enters.
    statusTimer->stop();
    syncTimer->stop();
    const QString failure = tr("不能同步时间，请检查服务器参数！");
    statusLabel->setText(failure);
    showNotice(failure);
    statusLabel->setText(QStringLiteral("Chronvale"));
    ui->pushButton_sync->setText(tr("立即同步时间"));
    showSyncResult({SyncOutcome::NoAnswer, serverHost, tr("同步错误，请检查服务器参数！")});
    notSynced = 1;
    statusTicks = 0;
    statusTimer->stop();
    ui->pushButton_sync->setEnabled(true);
}
