#include "mainwindow/mainwindow.h"

#include "settings/settingsdraft.h"
#include "settings/settingspath.h"
#include "sync/serverentry.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QMessageBox>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace {

const QString serverArray = QStringLiteral("serverIplist");

QString elementKey(int index)
{
    return QStringLiteral("serverList_%1").arg(index);
}

// The stored file, empty when there is none; nothing when it exists but cannot be read,
// so that a list we could not see is never seeded over.
std::optional<QByteArray> storedContents(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The stored entries in array order. Only positions the file really holds are read and the
// stored size only limits them: a hand-made "size=2000000000" must not become two billion blank items.
QStringList storedEntries(QSettings &settings)
{
    const int size = settings.beginReadArray(serverArray);
    settings.endArray();
    settings.beginGroup(serverArray);
    std::vector<std::pair<int, QString>> elements;
    const QStringList groups = settings.childGroups();
    for (const QString &group : groups) {
        bool isNumber = false;
        const int position = group.toInt(&isNumber);
        const QString key = QStringLiteral("%1/%2").arg(group, elementKey(position - 1));
        if (isNumber && position >= 1 && position <= size && settings.contains(key))
            elements.emplace_back(position, key);
    }
    std::sort(elements.begin(), elements.end());
    QStringList entries;
    for (const auto &element : elements)
        entries.append(settings.value(element.second).toString());
    settings.endGroup();
    return entries;
}

void seedFirstStart(QSettings &settings)
{
    const QStringList entries = {QStringLiteral("192.168.0.132 1000 1000 0"),
                                 QStringLiteral("ntp.aliyun.com 1000 1000 0"),
                                 QStringLiteral("cn.pool.ntp.org 1000 1000 0")};
    settings.beginWriteArray(serverArray);
    for (int i = 0; i < entries.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(elementKey(i), entries.at(i));
    }
    settings.endArray();
    settings.setValue(QStringLiteral("mainWindow/serverListCurrent"), 1);
    settings.setValue(QStringLiteral("mainWindow/localPort"), QStringLiteral("12345"));
    settings.setValue(QStringLiteral("mainWindow/objIp"), QStringLiteral("255.255.255.255"));
    settings.setValue(QStringLiteral("mainWindow/objPort"), QStringLiteral("12345"));
}

void fillServerList(const QStringList &entries, QComboBox *list)
{
    for (const QString &entry : entries)
        list->addItem(entryFields(entry).at(0), entry);
}

void writeServerList(QSettings &settings, const QComboBox *list)
{
    settings.beginWriteArray(serverArray);
    for (int i = 0; i < list->count(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(elementKey(i), list->itemData(i, Qt::UserRole).toString());
    }
    settings.endArray();
}

} // namespace

void MainWindow::loadSettings()
{
    const QString path = settingsFilePath();
    const std::optional<QByteArray> contents = storedContents(path);
    SettingsDraft stored(contents.value_or(QByteArray()));
    QSettings &settings = stored.settings();

    QStringList entries = storedEntries(settings);
    if (entries.isEmpty()) {
        // A file we could not read or parse is shown with the defaults but not written over.
        const bool understood = contents && settings.status() == QSettings::NoError;
        seedFirstStart(settings);
        if (understood)
            stored.commitTo(path);
        entries = storedEntries(settings);
    }
    fillServerList(entries, ui->comboBox_iplist);

    const int current = settings.value(QStringLiteral("mainWindow/serverListCurrent")).toInt();
    if (current < ui->comboBox_iplist->count())
        ui->comboBox_iplist->setCurrentIndex(current);
    const QStringList fields = entryFields(ui->comboBox_iplist->itemData(current, Qt::UserRole).toString());
    if (fields.size() == 4)
        entryState = fieldNumber(fields.at(3));
    if (entryState == 3) {
        ui->label_syncinfo->setText(tr("超出同步时间限制，同步时间停止"));
        notSynced = 1;
    }

    ui->checkBox_pallet->setChecked(settings.value(QStringLiteral("mainWindow/trayicon")).toBool());
    ui->checkBox_startrun->setChecked(settings.value(QStringLiteral("mainWindow/startrun")).toBool());
    ui->checkBox_start_run_ctl->setChecked(settings.value(QStringLiteral("mainWindow/startrun_ctr")).toBool());
    ui->lineEdit_localport->setText(settings.value(QStringLiteral("mainWindow/localPort")).toString());
    ui->lineEdit_objip->setText(settings.value(QStringLiteral("mainWindow/objIp")).toString());
    ui->lineEdit_objport->setText(settings.value(QStringLiteral("mainWindow/objPort")).toString());
}

bool MainWindow::saveSettings()
{
    const QString path = settingsFilePath();
    // The draft starts empty, so keys the program does not write do not survive a save.
    SettingsDraft draft;
    QSettings &settings = draft.settings();
    writeServerList(settings, ui->comboBox_iplist);
    settings.setValue(QStringLiteral("mainWindow/serverListCurrent"), ui->comboBox_iplist->currentIndex());
    settings.setValue(QStringLiteral("mainWindow/trayicon"), ui->checkBox_pallet->isChecked());
    settings.setValue(QStringLiteral("mainWindow/startrun"), ui->checkBox_startrun->isChecked());
    settings.setValue(QStringLiteral("mainWindow/startrun_ctr"), ui->checkBox_start_run_ctl->isChecked());
    settings.setValue(QStringLiteral("mainWindow/localPort"), ui->lineEdit_localport->text());
    settings.setValue(QStringLiteral("mainWindow/objIp"), ui->lineEdit_objip->text());
    settings.setValue(QStringLiteral("mainWindow/objPort"), ui->lineEdit_objport->text());
    if (draft.commitTo(path))
        return true;
    QMessageBox::information(this, tr("错误"), tr("设置保存失败，请检查ntp.ini是否可写！"));
    return false;
}

void MainWindow::on_pushButton_ok_clicked()
{
    if (!saveSettings())
        return;
    QMessageBox::information(this, tr("提示！"), tr("设置成功！"), QMessageBox::Ok, QMessageBox::NoButton);
    if (trayIconShown())
        hide();
}
