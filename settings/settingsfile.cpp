#include "mainwindow/mainwindow.h"

#include "settings/inifile.h"
#include "settings/settingspath.h"
#include "settings/settingsstore.h"
#include "settings/storedserverlist.h"
#include "sync/serverentry.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace {

const QStringList firstStartEntries = {QStringLiteral("192.168.0.132 1000 1000 0"),
                                       QStringLiteral("ntp.aliyun.com 1000 1000 0"),
                                       QStringLiteral("cn.pool.ntp.org 1000 1000 0")};

void seedFirstStart(QMap<QString, QString> &values)
{
    storedserverlist::write(values, firstStartEntries);
    values.insert(QStringLiteral("mainWindow/serverListCurrent"), QStringLiteral("1"));
    values.insert(QStringLiteral("mainWindow/localPort"), QStringLiteral("12345"));
    values.insert(QStringLiteral("mainWindow/objIp"), QStringLiteral("255.255.255.255"));
    values.insert(QStringLiteral("mainWindow/objPort"), QStringLiteral("12345"));
}

// As QSettings reads a boolean: false when empty, "0" or "false", true otherwise.
bool readsTrue(const QString &text)
{
    return !text.isEmpty() && text != QLatin1String("0")
           && text.compare(QLatin1String("false"), Qt::CaseInsensitive) != 0;
}

QString flag(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

void MainWindow::loadSettings()
{
    const QString path = settingsFilePath();
    const settingsstore::Stored stored = settingsstore::read(path);
    inifile::Document document = inifile::parse(stored.bytes);
    QMap<QString, QString> &values = document.values;
    const storedserverlist::List list = storedserverlist::read(values);
    // A file the program cannot read as it expects is never written over before it has been kept.
    settingsUnread = stored.exists && !(stored.readable && document.wellFormed && list.allRead);
    QStringList entries = list.entries;
    if (entries.isEmpty()) {
        seedFirstStart(values);
        entries = firstStartEntries;
        if (!settingsUnread)
            settingsstore::replace(path, inifile::format(values));
    }
    for (const QString &entry : entries)
        ui->comboBox_iplist->addItem(entryFields(entry).at(0), entry);

    // An index outside the list leaves the first entry selected, the one the selection slot took.
    const int current = values.value(QStringLiteral("mainWindow/serverListCurrent")).toInt();
    if (current >= 0 && current < ui->comboBox_iplist->count()) {
        ui->comboBox_iplist->setCurrentIndex(current);
        const QString line = ui->comboBox_iplist->itemData(current, Qt::UserRole).toString();
        if (entryFields(line).size() == 4)
            entryState = ServerEntry::parse(line)->state;
    }
    if (entryState == 3) {
        ui->label_syncinfo->setText(tr("超出同步时间限制，同步时间停止"));
        notSynced = 1;
    }

    ui->checkBox_pallet->setChecked(readsTrue(values.value(QStringLiteral("mainWindow/trayicon"))));
    ui->checkBox_startrun->setChecked(readsTrue(values.value(QStringLiteral("mainWindow/startrun"))));
    ui->checkBox_start_run_ctl->setChecked(readsTrue(values.value(QStringLiteral("mainWindow/startrun_ctr"))));
    ui->lineEdit_localport->setText(values.value(QStringLiteral("mainWindow/localPort")));
    ui->lineEdit_objip->setText(values.value(QStringLiteral("mainWindow/objIp")));
    ui->lineEdit_objport->setText(values.value(QStringLiteral("mainWindow/objPort")));
    ntsTrustedCerts = values.value(QStringLiteral("nts/trustedCerts"));
    ntsClient->setTrustedCertificates(
        ntsTrustedCerts.isEmpty() ? QString() : QFileInfo(path).dir().absoluteFilePath(ntsTrustedCerts));
}

// Keys the program does not write do not survive a save.
bool MainWindow::saveSettings()
{
    const QString path = settingsFilePath();
    QMap<QString, QString> values;
    QStringList entries;
    for (int i = 0; i < ui->comboBox_iplist->count(); ++i)
        entries << ui->comboBox_iplist->itemData(i, Qt::UserRole).toString();
    storedserverlist::write(values, entries);
    values.insert(QStringLiteral("mainWindow/serverListCurrent"), QString::number(ui->comboBox_iplist->currentIndex()));
    values.insert(QStringLiteral("mainWindow/trayicon"), flag(ui->checkBox_pallet->isChecked()));
    values.insert(QStringLiteral("mainWindow/startrun"), flag(ui->checkBox_startrun->isChecked()));
    values.insert(QStringLiteral("mainWindow/startrun_ctr"), flag(ui->checkBox_start_run_ctl->isChecked()));
    values.insert(QStringLiteral("mainWindow/localPort"), ui->lineEdit_localport->text());
    values.insert(QStringLiteral("mainWindow/objIp"), ui->lineEdit_objip->text());
    values.insert(QStringLiteral("mainWindow/objPort"), ui->lineEdit_objport->text());
    if (!ntsTrustedCerts.isEmpty())
        values.insert(QStringLiteral("nts/trustedCerts"), ntsTrustedCerts);
    if ((!settingsUnread || keepUnreadSettings(path)) && settingsstore::replace(path, inifile::format(values)))
        return true;
    QMessageBox::information(this, tr("错误"), tr("设置保存失败，请检查ntp.ini是否可写！"));
    return false;
}

// Moves the file that could not be read aside, once, and says where it went.
bool MainWindow::keepUnreadSettings(const QString &path)
{
    const QFileInfo file(path);
    if (file.exists() || file.isSymLink()) {
        const QString kept = settingsstore::keepAside(path);
        if (kept.isEmpty())
            return false;
        settingsUnread = false;
        QMessageBox notice;
        notice.setText(tr("ntp.ini无法完整读取，原文件已另存为%1").arg(QDir::toNativeSeparators(kept)));
        notice.exec();
    }
    settingsUnread = false;
    return true;
}

void MainWindow::on_pushButton_ok_clicked()
{
    if (!saveSettings())
        return;
    QMessageBox::information(this, tr("提示！"), tr("设置成功！"), QMessageBox::Ok, QMessageBox::NoButton);
    if (trayIconShown())
        hideToTray();
}
