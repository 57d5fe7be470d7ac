#include "mainwindow/mainwindow.h"

#include "udpout/outputtarget.h"
#include "udpout/sendschedule.h"
#include "udpout/timemessage_format.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QLabel>
#include <QUdpSocket>

void MainWindow::setupOutput()
{
    notSynced = 1;
    // Never bound: the platform gives it a port at the first send. The toolkit allows
    // broadcast on every UDP socket it opens, which the "255.255.255.255" target needs.
    udpSocket = new QUdpSocket(this);
    connect(udpSocket, SIGNAL(readyRead()), this, SLOT(ctlProcessPendingDatagrams()));

    // At each turn of the second, with the clock.
    outputTimer = new SecondTimer();
    connect(outputTimer, SIGNAL(timeout()), this, SLOT(udpSendSyncMsg()));
    validityField = QStringLiteral("V,");
}

void MainWindow::udpSendSyncMsg()
{
    const QDateTime now = QDateTime::currentDateTime();
    // Fired before its second began (the wall clock went back a little): wait for that second.
    if (sendschedule::isBeforeBoundary(now))
        return;

    validityField = timemessage::validityFor(notSynced);
    const QByteArray datagram = timemessage::datagram(validityField, now);

    const QString targetIp = ui->lineEdit_objip->text();
    const QHostAddress address = outputtarget::destination(targetIp);
    const quint16 port = outputtarget::targetPort(ui->lineEdit_objport->text());
    const bool sendable = !address.isNull() && port != 0;
    const qint64 sent = sendable ? udpSocket->writeDatagram(datagram, address, port) : -1;
    if (outputtarget::isLimitedBroadcast(targetIp))
        qDebug() << "send return" << sent;

    // The count is of datagrams that left; a failed send says why until the next one leaves.
    if (sent != datagram.size()) {
        statusLabel->setText(tr("输出UDP监控失败：%1").arg(sendable ? udpSocket->errorString() : tr("目标无效")));
        return;
    }
    statusLabel->setText(tr("输出UDP监控 %1次").arg(outputCount));
    ++outputCount;
}
