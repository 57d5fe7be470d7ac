#include "mainwindow/mainwindow.h"

#include "servers/editdialog.h"
#include "servers/serverlist.h"
#include "ui_mainwindow.h"

#include <QMessageBox>

namespace {

bool confirmDeletion()
{
    QMessageBox question(QMessageBox::Information, MainWindow::tr("注意"), MainWindow::tr("您确定要删除吗？"),
                         QMessageBox::Yes | QMessageBox::No);
    // Escape and the close button answer No.
    return question.exec() == QMessageBox::Yes;
}

void showNotice(const QString &text)
{
    QMessageBox notice;
    notice.setText(text);
    notice.exec();
}

} // namespace

void MainWindow::on_pushButton_add_clicked()
{
    EditDialog dialog(0, ui->comboBox_iplist);
    dialog.exec();
    // Also after a cancel: the window's fields follow whatever is selected now.
    on_comboBox_iplist_currentIndexChanged(ui->comboBox_iplist->currentIndex());
}

void MainWindow::on_pushButton_edit_clicked()
{
    EditDialog dialog(1, ui->comboBox_iplist);
    dialog.setIp(serverHost);
    dialog.setLimit(QString::number(syncLimit));
    dialog.setCycle(QString::number(syncPeriod));
    dialog.exec();
    // Rewriting the current item fires no signal, so this call brings an edit into effect.
    on_comboBox_iplist_currentIndexChanged(ui->comboBox_iplist->currentIndex());
}

void MainWindow::on_pushButton_del_clicked()
{
    if (!confirmDeletion())
        return;
    QComboBox *list = ui->comboBox_iplist;
    const int index = list->currentIndex();
    const QString host = list->currentText();
    const QString deleted = tr("删除服务器%1配置成功！").arg(host);
    const QString nothingLeft = tr("没有服务器配置可以删除！");
    if (index < 0 || index >= list->count() || serverlist::holdsOnlyPlaceholder(*list)) {
        showNotice(nothingLeft);
    } else if (list->count() > 1) {
        // The list selects the item that moves into the gap, which moves the window's fields too.
        list->removeItem(index);
        showNotice(deleted);
    } else {
        // The last entry stays as a blank placeholder so that the list never becomes empty. No server
        // is selected then, and nothing is asked until one is added.
        ui->lineEdit_limit->clear();
        ui->lineEdit_cyc->clear();
        list->setItemText(index, QString());
        list->setItemData(index, QString());
        serverHost.clear();
        stopSync();
        showNotice(deleted);
    }
}
