#include "mainwindow/mainwindow.h"

#include "settings/inifile.h"
#include "settings/settingspath.h"
#include "settings/settingsstore.h"
#include "settings/storedserverlist.h"
#include "sync/serverentry.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

namespace {

const QStringList firstStartEntries = {QStringLiteral("192.168.0.132 1000 1000 0"),
                                       QStringLiteral("ntp.aliyun.com 1000 1000 0"),
                                       QStringLiteral("cn.pool.ntp.org 1000 1000 0")};

// The first start's values, where the file holds none of its own: a target or port it names stays.
void seedFirstStart(QMap<QString, QString> &values)
{
    storedserverlist::write(values, firstStartEntries);
    for (const auto &[key, value] : {std::pair{"mainWindow/serverListCurrent", "1"},
                                     {"mainWindow/localPort", "12345"},
                                     {"mainWindow/objIp", "255.255.255.255"},
                                     {"mainWindow/objPort", "12345"}})
        if (!values.contains(QLatin1String(key)))
            values.insert(QLatin1String(key), QLatin1String(value));
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
    // A file the program cannot read as it expects is never written over before it has been kept, and
    // it is no first start: what could be read is shown, and nothing else is made up for it.
    const bool damaged = stored.exists && !(stored.readable && document.wellFormed && list.allRead);
    QStringList entries = list.entries;
    if (entries.isEmpty() && !damaged) {
        seedFirstStart(values);
        entries = firstStartEntries;
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
    if (damaged)
        keepDamagedSettings(path, stored);
}

// Keys the program does not write do not survive a save. On the way out nothing waits on a box: a logout
// or a kill would hang on it.
bool MainWindow::saveSettings(bool onExit)
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
    if (!settingsUnread && settingsstore::replace(path, inifile::format(values)))
        return true;
    const QString failure = tr("设置保存失败，请检查ntp.ini是否可写！");
    if (onExit)
        qWarning().noquote() << failure;
    else
        QMessageBox::information(this, tr("错误"), failure);
    return false;
}

// Kept aside at once, as it was, and the user told now, without waiting for an answer; ntp.ini itself stays
// until the first save replaces it with what the window shows, so that a kill loses nothing. A file that
// could not be read at all (a FIFO, a device, one too large) is moved aside instead.
void MainWindow::keepDamagedSettings(const QString &path, const settingsstore::Stored &stored)
{
    const QString kept = path + QStringLiteral(".bad");
    const bool keptAside =
        stored.readable ? settingsstore::replace(kept, stored.bytes) : settingsstore::keepAside(path) == kept;
    settingsUnread = !keptAside; // never written over unless kept
    if (!keptAside)
        return;
    auto *notice = new QMessageBox(QMessageBox::NoIcon, QString(),
                                   tr("ntp.ini无法完整读取，原文件已另存为%1").arg(QDir::toNativeSeparators(kept)));
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setModal(false);
    // After the window, so that the notice is seen on top of it.
    QTimer::singleShot(0, notice, &QWidget::show);
}

void MainWindow::on_pushButton_ok_clicked()
{
    if (!saveSettings())
        return;
    QMessageBox::information(this, tr("提示！"), tr("设置成功！"), QMessageBox::Ok, QMessageBox::NoButton);
    if (trayIconShown())
        hideToTray();
}
