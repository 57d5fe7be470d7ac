#include "mainwindow/mainwindow.h"

#include "ntpreply.h"
#include "platform/systemclock.h"
#include "sync/replymath.h"
#include "sync/serverentry.h"
#include "ui_mainwindow.h"

#include <QDebug>

namespace {

SyncReport measuredReport(const QString &server, const NtpReply &reply)
{
    SyncReport report;
    report.server = server;
    report.delayNs = reply.delayNs();
    report.offsetNs = reply.offsetNs();
    return report;
}

} // namespace

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
        SyncReport report = measuredReport(serverHost, reply);
        report.outcome = SyncOutcome::BeyondLimit;
        report.text = tr("超出同步时间限制，同步停止");
        report.reason = tr("偏差%1ms，同步限制%2秒").arg(offset).arg(syncLimit); // so that the user can choose anew
        showSyncResult(report);
        return;
    }
    // A reply measured while the clock is being moved may have seen it before or after: not applied again.
    if (clockMoveUnderWay)
        return;
    clockMoveUnderWay = true;
    // By the offset as measured, to the nanosecond, at the moment the clock is moved.
    platform::moveSystemClock(reply.offsetNs(), this,
                              [this, reply, server = serverHost](bool moved, const QString &reason) {
                                  clockMoved(measuredReport(server, reply), reply, moved, reason);
                              });
}

void MainWindow::clockMoved(SyncReport report, const NtpReply &reply, bool moved, const QString &reason)
{
    clockMoveUnderWay = false;
    const QString delayText = QString::number(reply.roundTripDelay());
    const QString offsetText = QString::number(reply.localClockOffset());
    if (!moved) {
        qDebug().noquote() << "set system clock failed:" << reason;
        // The numbers stay readable in the line; why the clock could not be set is in its tooltip.
        report.outcome = SyncOutcome::SetFailed;
        report.text = tr("同步时间失败！时延%1ms 偏差%2ms").arg(delayText, offsetText);
        report.reason = tr("无法设置系统时间：") + reason;
        showSyncResult(report);
        notSynced = 1;
        return;
    }
    DoClock(); // the display's next turn of the second is the new clock's, not the old one's
    // Synchronised again after a stop by the limit, now that the clock really was set; the entry is the
    // one whose reply it was, unless the user picked another meanwhile.
    if (entryState == 3 && report.server == serverHost) {
        entryState = 1;
        writeEntryState();
    }
    report.outcome = SyncOutcome::Synced;
    report.clockSet = true;
    report.text = tr("同步时间成功！时延%1ms 偏差%2ms").arg(delayText, offsetText);
    showSyncResult(report);
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
