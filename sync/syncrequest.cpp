#include "mainwindow/mainwindow.h"

#include "mainwindow/inputpatterns.h"
#include "ntpclient.h"
#include "sync/dottedquad.h"
#include "sync/ntsaddress.h"
#include "ui_mainwindow.h"

#include <QHostInfo>
#include <QTimer>

void MainWindow::sendSyncRequest(bool atSyncStart, bool countUnanswered)
{
    if (serverHost.isEmpty()) {
        hostNotFound(atSyncStart); // an entry with too few fields selects no host
        return;
    }
    if (countUnanswered)
        awaitAnswer();
    if (NtsAddress::isNts(serverHost)) {
        // Never as plain NTP: an NTS entry that cannot be read is a server that cannot be reached.
        if (const std::optional<NtsAddress> nts = NtsAddress::parse(serverHost)) {
            requestUnderWay = true; // until the client says it went out, or why not
            ntsClient->sendRequest(nts->host, nts->port, std::chrono::seconds(syncPeriod));
        } else {
            ntsFailed(serverHost, 0, NtsClient::Failure::KeyExchange, tr("无法识别的NTS服务器地址"));
        }
        return;
    }
    if (inputpatterns::isAddress(serverHost)) {
        sendTo(dottedquad::toAddress(serverHost));
        return;
    }
    // Looked up afresh for every request, in the background: the clock and the time feed go on
    // while the resolver takes its time. A lookup still under way is left to finish, and its request
    // stands for this one: a resolver slower than the requests come would otherwise never answer one.
    if (hostLookup != -1)
        return;
    requestUnderWay = true;
    hostLookup = QHostInfo::lookupHost(serverHost, this,
                                       [this, atSyncStart](const QHostInfo &info) { hostLookedUp(info, atSyncStart); });
}

void MainWindow::hostLookedUp(const QHostInfo &info, bool atSyncStart)
{
    hostLookup = -1;
    requestUnderWay = false;
    if (info.hostName() != serverHost)
        return; // the user picked another server meanwhile
    if (info.addresses().isEmpty())
        hostNotFound(atSyncStart);
    else
        sendTo(QHostAddress(info.addresses().first().toString()));
}

void MainWindow::hostNotFound(bool atSyncStart)
{
    showSyncResult({SyncOutcome::LookupFailed, serverHost, tr("无法访问服务器域名，请检查域名是否有效后重试！")});
    // A periodic request stops the cycle; a sync start's cycle runs on and keeps trying at the period.
    const bool keepCycle = atSyncStart && syncTimer->isActive();
    stopSync();
    if (keepCycle)
        syncTimer->start(1000);
}

void MainWindow::sendTo(const QHostAddress &address)
{
    requestWentOut = ntpClient->sendRequest(ntpVersion, address, ntpPort);
    if (requestWentOut)
        return;
    const QString refusal = ntpClient->refusal(address, ntpPort);
    if (refusal.isEmpty()) // not held back by the server: this machine could not send it
        showSyncResult({SyncOutcome::SendFailed, serverHost, tr("发送同步请求失败！"), ntpClient->sendError()});
    else
        serverRefused(address, ntpPort, refusal);
}

// "A," holds only while the server answers: after two requests in a row without a reply within
// 5 s each, whether unanswered, refused or never sent, the time feed says "V," again.
void MainWindow::awaitAnswer()
{
    constexpr int answerWaitMs = 5000;
    QTimer::singleShot(answerWaitMs, this, [this, repliesBefore = repliesSeen, server = serverHost] {
        if (repliesSeen != repliesBefore)
            return;
        // Kept in the record, so that a night without answers shows; the sync line stays as it was.
        recordSync({SyncOutcome::NoAnswer, server, QString()});
        if (++unansweredInRow >= 2)
            notSynced = 1;
    });
}

// The server sent a kiss-o'-death: the library holds further requests back, and the sync line says why.
void MainWindow::serverRefused(const QHostAddress &, unsigned short, const QString &code)
{
    showSyncResult({SyncOutcome::KissOfDeath, serverHost, tr("服务器拒绝同步：%1").arg(code)});
}

// An NTS server that could not be asked or whose answer was not genuine; the detail is in the tooltip.
void MainWindow::ntsFailed(const QString &, quint16, NtsClient::Failure failure, const QString &detail)
{
    requestUnderWay = false;
    const QString texts[] = {tr("NTS密钥交换失败！"), tr("NTS证书不受信任！"), tr("NTS应答未通过认证！")};
    const SyncOutcome outcomes[] = {SyncOutcome::NtsKeyExchange, SyncOutcome::NtsUntrusted,
                                    SyncOutcome::NtsNotAuthenticated};
    showSyncResult({outcomes[int(failure)], serverHost, texts[int(failure)], detail});
}

void MainWindow::ntsRequestSent()
{
    requestUnderWay = false;
    requestWentOut = true;
}
