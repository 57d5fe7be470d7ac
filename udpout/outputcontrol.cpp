#include "mainwindow/mainwindow.h"

#include "mainwindow/inputpatterns.h"
#include "udpout/outputtarget.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

namespace {

// Built by hand: the static helper would make OK the default button.
void showFieldError(QWidget *parent, const QString &message)
{
    QMessageBox box(QMessageBox::Information, MainWindow::tr("错误"), message, QMessageBox::Ok, parent);
    box.exec();
}

// A port the number pattern lets through can still lie outside the port range.
bool validatePortRange(QWidget *parent, const QString &message, const QString &text, int lowest)
{
    if (outputtarget::portInRange(text, lowest))
        return true;
    showFieldError(parent, message);
    return false;
}

} // namespace

void MainWindow::on_pushButton_out_clicked()
{
    const QString text = ui->pushButton_out->text();
    if (text.contains(tr("输出")))
        startOutput();
    else if (text.contains(tr("停止")))
        stopOutput();
}

void MainWindow::startOutput()
{
    const QString localPortMessage = tr("本地端口格式不对");
    const QString targetPortMessage = tr("目标端口格式不对");
    const QString localPort = ui->lineEdit_localport->text();
    const QString targetPort = ui->lineEdit_objport->text();
    if (!validateAddress(tr("目标IP地址错误"), ui->lineEdit_objip->text())
        || !validateNumber(localPortMessage, localPort) || !validatePortRange(this, localPortMessage, localPort, 0)
        || !validateNumber(targetPortMessage, targetPort) || !validatePortRange(this, targetPortMessage, targetPort, 1))
        return;

    outputTimer->start(1000); // at the first turn of a second at least a second away
    statusLabel->setText(tr("开始输出UDP监控"));
    ui->pushButton_out->setText(tr("停止"));
}

void MainWindow::stopOutput()
{
    outputTimer->stop();
    statusLabel->setText(tr("停止输出UDP监控"));
    ui->pushButton_out->setText(tr("输出"));
}

bool MainWindow::validateAddress(const QString &message, const QString &text)
{
    if (inputpatterns::isAddress(text))
        return true;
    showFieldError(this, message);
    return false;
}

bool MainWindow::validateNumber(const QString &message, const QString &text)
{
    if (inputpatterns::isNumber(text))
        return true;
    showFieldError(this, message);
    return false;
}

void MainWindow::ctlProcessPendingDatagrams()
{
    qDebug() << "revdatas";
    while (udpSocket->hasPendingDatagrams())
        udpSocket->receiveDatagram();
}
