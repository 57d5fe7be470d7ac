// The server entry dialog's checks against a list like the window's, and the window's edit and
// delete commands.
#include "helpers/support.h"
#include "servers/editdialog.h"

// Types server, limit and period into an entry dialog and presses its OK; returns what it showed.
static QStringList enterEntry(QDialog *dialog, const QStringList &typed)
{
    QStringList shown;
    for (const char *name : {"lineEdit_ip", "lineEdit_linit", "lineEdit_cyc"}) {
        shown << dialog->findChild<QLineEdit *>(name)->text();
        dialog->findChild<QLineEdit *>(name)->setText(typed.at(shown.size() - 1));
    }
    dialog->findChild<QPushButton *>("pushButton_ok")->click();
    return shown;
}

class TestServers : public QObject
{
    Q_OBJECT
private slots:
    void dialog()
    {
        const QStringList two = {"ntp.example.org 1000 1000 0", "127.0.0.2 30 60 3"}, blank = {""};
        // Adding (0) or rewriting the selected last entry (1), to a list, the typed server, limit and
        // period, the refusal (none: the entry is taken) and the list afterwards, its last one selected.
        for (const auto &[mode, before, typed, box, after] :
             {std::tuple<int, QStringList, QStringList, QString, QStringList>{
                  0, two, {"", "60", "60"}, "错误|服务器地址不能为空", two},
              {0, two, {"ntp example.org", "6", "6"}, "错误|服务器地址格式不对", two},
              {0, two, {"ntp\texample.org", "6", "6"}, "错误|服务器地址格式不对", two},
              {0, two, {"nts://127.0.0.9:65536", "6", "6"}, "错误|服务器地址格式不对", two},
              {0, two, {"nts://[::1]:4460", "6", "6"}, "", two + QStringList{"nts://[::1]:4460 6 6 0"}},
              {0, two, {"127.0.0.9", "+5", "6"}, "错误|同步限制格式不对", two},
              {0, two, {"127.0.0.9", "", "6"}, "错误|同步限制格式不对", two},
              {0, two, {"127.0.0.9", "6", "1.5"}, "错误|同步周期格式不对", two},
              {0, two, {"127.0.0.9", "4294967296", "6"}, "错误|同步限制格式不对", two}, // beyond 32 bits
              {0, two, {"ntp.example.org", "6", "6"}, "|服务器重复！", two},
              {0, two, {"NTP.Example.ORG", "6", "6"}, "", two + QStringList{"NTP.Example.ORG 6 6 0"}},
              {0, two, {"ntp.example", "6", "6"}, "", two + QStringList{"ntp.example 6 6 0"}}, // part of a listed host
              {0, two, {"127.0.0.9", "-1", "007"}, "", two + QStringList{"127.0.0.9 -1 007 0"}}, // as typed
              {1, two, {"NTP.Example.ORG", "7", "8"}, "", {two[0], "NTP.Example.ORG 7 8 0"}},
              {0, blank, {"127.0.0.5", "1", "2"}, "", {"127.0.0.5 1 2 0"}},
              // A short host is a server.
              {0, {"nas 1 2 0"}, {"127.0.0.5", "1", "2"}, "", {"nas 1 2 0", "127.0.0.5 1 2 0"}}}) {
            QComboBox list;
            for (const QString &entry : before)
                list.addItem(entry.section(' ', 0, 0), entry);
            list.setCurrentIndex(list.count() - 1);
            EditDialog dialog(mode, &list);
            ModalBoxes boxes;
            enterEntry(&dialog, typed);
            QCOMPARE(boxes.seen.join("") + (dialog.result() == QDialog::Accepted ? "accepted" : ""),
                     box.isEmpty() ? "accepted" : box);
            QVERIFY2(entriesOf(&list) == after && list.currentIndex() == after.size() - 1,
                     qPrintable(entriesOf(&list).join('|')));
        }
    }

    void editAndDeleteInTheWindow()
    {
        TestWindow t(iniText({"127.0.0.1 1 10 0", "127.0.0.2 4294967295 3000000000 0", "127.0.0.3 3 30 0"}, 1));
        ModalBoxes boxes;
        // The edit starts from the selected entry, means the same when nothing is changed, and takes effect at once.
        QStringList shown;
        const auto edit = [&](const QStringList &typed) {
            QTimer::singleShot(
                50, [&] { shown = enterEntry(qobject_cast<QDialog *>(QApplication::activeModalWidget()), typed); });
            t.ui()->pushButton_edit->click();
        };
        edit({"127.0.0.2", "4294967295", "3000000000"});
        QVERIFY(shown == QStringList({"127.0.0.2", "4294967295", "3000000000"})
                && t.ui()->comboBox_iplist->itemData(1) == "127.0.0.2 4294967295 3000000000 0");
        edit({"127.0.0.2", "7", "3000000000"});
        QVERIFY(t.ui()->lineEdit_limit->text() == "7"
                && t.ui()->comboBox_iplist->itemData(1) == "127.0.0.2 7 3000000000 0");
        // Deleted down to the blank placeholder, which stays.
        boxes.answers = {QMessageBox::No, QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Yes};
        for (int i = 0; i < 5; ++i)
            t.ui()->pushButton_del->click();
        QCOMPARE(entriesOf(t.ui()->comboBox_iplist), QStringList{""});
        // No server is asked any more, and an answer still on its way sets nothing.
        t.replyReceived(NtpReply(1, 1, QDateTime::currentDateTime()));
        QVERIFY(!t.syncTimer()->isActive() && clockMovesNs.isEmpty());
        const QString ask = "注意|您确定要删除吗？";
        QCOMPARE(boxes.seen,
                 (QStringList{ask, ask, "|删除服务器127.0.0.2配置成功！", ask, "|删除服务器127.0.0.3配置成功！", ask,
                              "|删除服务器127.0.0.1配置成功！", ask, "|没有服务器配置可以删除！"}));
    }
};

QTEST_MAIN(TestServers)
#include "tst_servers.moc"
