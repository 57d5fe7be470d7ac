#include "mainwindow/mainwindow.h"

#include "ntpreply.h"
#include "platform/systemclock.h"
#include "sync/replymath.h"
#include "sync/serverentry.h"
#include "ui_mainwindow.h"

#include <QDebug>

// Every reply is judged against the entry that is current when it arrives.
void MainWindow::replyReceived(const QHostAddress &, unsigned short, const NtpReply &reply)
{
    if (serverHost.isEmpty())
        return; // the server was deleted while its answer was on the way
    replyArrived = true;
    ++repliesSeen;
    unansweredInRow = 0;
    const qint64 offset = reply.localClockOffset();
    if (replymath::beyondLimit(offset, syncLimit)) {
        stopSync();
        entryState = 3;
        writeEntryState();
        // The numbers, so that the user can choose a new limit.
        ui->label_syncinfo->setText(tr("超出同步时间限制，同步停止"),
                                    tr("偏差%1ms，同步限制%2秒").arg(offset).arg(syncLimit));
        return;
    }

    const QDateTime utc = replymath::utcFromDisposeTime(reply.disposeTime());
    QString reason;
    const bool clockSet = platform::setSystemClockUtc(utc, &reason);
    const QString delayText = QString::number(reply.roundTripDelay());
    const QString offsetText = QString::number(offset);
    if (!clockSet) {
        qDebug().noquote() << "set system clock failed:" << reason;
        // The numbers stay readable in the line; why the clock could not be set is in its tooltip.
        ui->label_syncinfo->setText(tr("同步时间失败！时延%1ms 偏差%2ms").arg(delayText, offsetText),
                                    tr("无法设置系统时间：") + reason);
        notSynced = 1;
        return;
    }
    DoClock(); // the display's next turn of the second is the new clock's, not the old one's
    // Synchronised again after a stop by the limit, now that the clock really was set.
    if (entryState == 3) {
        entryState = 1;
        writeEntryState();
    }
    ui->label_syncinfo->setText(tr("同步时间成功！时延%1ms 偏差%2ms").arg(delayText, offsetText));
    notSynced = 0;
}

// Stores entryState into the current item's entry line; the shown host stays as it is.
void MainWindow::writeEntryState()
{
    const int index = ui->comboBox_iplist->currentIndex();
    if (index < 0)
        return;
    ui->comboBox_iplist->setItemData(index, ServerEntry{serverHost, syncLimit, syncPeriod, entryState}.text(),
                                     Qt::UserRole);
}
