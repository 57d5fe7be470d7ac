#include "servers/editdialog.h"

#include "mainwindow/inputpatterns.h"
#include "servers/serverlist.h"
#include "sync/ntsaddress.h"
#include "sync/serverentry.h"
#include "ui_editdialog.h"

#include <QComboBox>
#include <QIcon>
#include <QMessageBox>

namespace {

// A number the entry can hold: one the field pattern lets through and that fits 32 bits either way.
bool isSeconds(const QString &text)
{
    bool inRange = false;
    entrySeconds(text, &inRange);
    return inputpatterns::isNumber(text) && inRange;
}

} // namespace

EditDialog::EditDialog(int mode, QComboBox *serverCombo, QWidget *parent)
    : QDialog(parent), ui(new Ui::EditDialog), mode(mode), serverCombo(serverCombo)
{
    ui->setupUi(this);
    // A title bar with a close button only: no help button.
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
}

EditDialog::~EditDialog()
{
    delete ui;
}

void EditDialog::setIp(const QString &text)
{
    ui->lineEdit_ip->setText(text);
}

void EditDialog::setLimit(const QString &text)
{
    ui->lineEdit_linit->setText(text);
}

void EditDialog::setCycle(const QString &text)
{
    ui->lineEdit_cyc->setText(text);
}

void EditDialog::on_pushButton_ok_clicked()
{
    if (!fieldsPass())
        return;
    const QString server = ui->lineEdit_ip->text();
    // As typed ("-5" stays "-5", "007" stays "007"), as older versions wrote it: they read "4294967291" as 0.
    const QString entry =
        QStringLiteral("%1 %2 %3 0").arg(server, ui->lineEdit_linit->text(), ui->lineEdit_cyc->text());
    if (serverlist::holdsOnlyPlaceholder(*serverCombo)) {
        writeItem(0, server, entry);
    } else if (mode == 0 && serverlist::isListed(*serverCombo, server)) {
        QMessageBox duplicate;
        duplicate.setText(tr("服务器重复！"));
        duplicate.exec();
        return;
    } else if (mode != 0) {
        writeItem(serverCombo->currentIndex(), server, entry);
    } else {
        serverCombo->addItem(QIcon(), server, entry);
        serverCombo->setCurrentIndex(serverCombo->count() - 1);
    }
    accept();
}

void EditDialog::on_pushButton_cancel_clicked()
{
    reject();
}

// Each failed check shows its own message; the fields stay as typed.
bool EditDialog::fieldsPass()
{
    const QString server = ui->lineEdit_ip->text();
    if (server.isEmpty()) {
        showError(tr("服务器地址不能为空"));
        return false;
    }
    if (serverlist::hasWhiteSpace(server) || (NtsAddress::isNts(server) && !NtsAddress::parse(server))) {
        showError(tr("服务器地址格式不对"));
        return false;
    }
    if (!isSeconds(ui->lineEdit_linit->text())) {
        showError(tr("同步限制格式不对"));
        return false;
    }
    if (!isSeconds(ui->lineEdit_cyc->text())) {
        showError(tr("同步周期格式不对"));
        return false;
    }
    return true;
}

void EditDialog::showError(const QString &message)
{
    QMessageBox box(QMessageBox::Information, tr("错误"), message, QMessageBox::Ok, this);
    box.exec();
}

void EditDialog::writeItem(int index, const QString &server, const QString &entry)
{
    serverCombo->setItemText(index, server);
    serverCombo->setItemData(index, entry);
}
