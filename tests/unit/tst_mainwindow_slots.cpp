// Other code connects to the window by slot name and order; the table must stay as it is.
#include "mainwindow/mainwindow.h"

#include <QMetaMethod>
#include <QtTest>

class MainWindowSlotsTest : public QObject
{
    Q_OBJECT
private slots:
    void privateSlotsInOrder();
};

void MainWindowSlotsTest::privateSlotsInOrder()
{
    const QStringList expected = {
        "syncStart()",
        "iconActivated(QSystemTrayIcon::ActivationReason)",
        "udpSendSyncMsg()",
        "ctlProcessPendingDatagrams()",
        "DoClock()",
        "DoSync()",
        "DoStatus()",
        "replyReceived(QHostAddress,ushort,NtpReply)",
        "on_pushButton_sync_clicked()",
        "on_pushButton_add_clicked()",
        "on_pushButton_edit_clicked()",
        "on_pushButton_del_clicked()",
        "on_pushButton_ok_clicked()",
        "on_pushButton_quit_clicked()",
        "on_pushButton_out_clicked()",
        "on_checkBox_pallet_stateChanged(int)",
        "on_checkBox_startrun_stateChanged(int)",
        "on_action_exit_triggered()",
        "on_action_about_triggered()",
        "on_action_manual_triggered()",
        "on_comboBox_iplist_currentIndexChanged(int)",
    };
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QStringList found;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        found << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(found, expected);
}

QTEST_APPLESS_MAIN(MainWindowSlotsTest)
#include "tst_mainwindow_slots.moc"
