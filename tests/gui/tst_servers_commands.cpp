// The add, edit and delete buttons of the window, with the entry dialog run modally by them.
#include "helpers/dialogdriver.h"
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"
#include "helpers/modalboxes.h"
#include "helpers/serverlistfixture.h"
#include "servers/editdialog.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QStringList kThree = {QStringLiteral("127.0.0.1 1000 1000 0"), QStringLiteral("127.0.0.2 30 60 0"),
                            QStringLiteral("127.0.0.3 10 20 0")};
const QString kDeleted = QStringLiteral("删除服务器%1配置成功！");
const QString kNothingToDelete = QStringLiteral("没有服务器配置可以删除！");

QLineEdit *field(EditDialog *dialog, const char *name)
{
    return dialog->findChild<QLineEdit *>(QLatin1String(name));
}

void press(QWidget *parent, const char *name)
{
    QTest::mouseClick(parent->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
}

void typeEntry(EditDialog *dialog, const char *server, const char *limit, const char *period)
{
    QTest::keyClicks(field(dialog, "lineEdit_ip"), QLatin1String(server));
    QTest::keyClicks(field(dialog, "lineEdit_linit"), QLatin1String(limit));
    QTest::keyClicks(field(dialog, "lineEdit_cyc"), QLatin1String(period));
}

// What the dialog looked like when it came up.
struct SeenDialog
{
    bool modal = false;
    bool hadParent = true;
    QString server, limit, period;
    QPointer<EditDialog> dialog;
};

} // namespace

class TestServersCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addAppendsAndSelects();
    void addCancelledKeepsList();
    void addDuplicateThenCancel();
    void editFillsFromMembers_data();
    void editFillsFromMembers();
    void editWritesStateZero();
    void deleteSelectedOfThree_data();
    void deleteSelectedOfThree();
    void deleteAnsweredNo_data();
    void deleteAnsweredNo();
    void deleteDownToPlaceholder();
    void deleteOneLetterItem();
    void deleteWithoutSelection();
    void placeholderFilledByAdd();
    void placeholderFilledByEdit();
    void windowFollowsSelection_data();
    void windowFollowsSelection();
    void roundTripThroughFile_data();
    void roundTripThroughFile();

private:
    void runCommand(const QString &command);
    // Runs the command behind `button`, doing `inDialog` in the dialog it opens.
    SeenDialog runDialogCommand(const char *button, std::function<void(EditDialog *)> inDialog);
    void deleteAnswering(QMessageBox::StandardButton answer);
    void checkConfirmation(const SeenBox &box);
    void checkNotice(const SeenBox &box, const QString &text);

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ModalBoxCloser> boxes;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
    QComboBox *list = nullptr;
};

void TestServersCommands::init()
{
    dir = std::make_unique<QTemporaryDir>();
    useLoopbackSettings(dir->path(), kThree, 0);
    boxes = std::make_unique<ModalBoxCloser>();
    window = std::make_unique<MainWindow>();
    probe = std::make_unique<MainWindowProbe>(*window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    list = probe->ui()->comboBox_iplist;
    fillServerList(*list, kThree, 0);
    boxes->clear();
}

void TestServersCommands::cleanup()
{
    probe.reset();
    window.reset();
    boxes.reset();
    dir.reset();
}

SeenDialog TestServersCommands::runDialogCommand(const char *button, std::function<void(EditDialog *)> inDialog)
{
    SeenDialog seen;
    std::unique_ptr<DialogDriver> driver(whenShown<EditDialog>([&](EditDialog *dialog) {
        seen.dialog = dialog;
        seen.modal = QApplication::activeModalWidget() == dialog;
        seen.hadParent = dialog->parentWidget() != nullptr;
        seen.server = field(dialog, "lineEdit_ip")->text();
        seen.limit = field(dialog, "lineEdit_linit")->text();
        seen.period = field(dialog, "lineEdit_cyc")->text();
        inDialog(dialog);
    }));
    press(window.get(), button);
    [&] {
        QVERIFY2(driver->ran(), "the command opened no entry dialog");
        QVERIFY2(!driver->leftOpen(), "the dialog stayed open after its last button");
    }();
    return seen;
}

void TestServersCommands::checkConfirmation(const SeenBox &box)
{
    QCOMPARE(box.title, QStringLiteral("注意"));
    QCOMPARE(box.text, QStringLiteral("您确定要删除吗？"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.defaultButton, QMessageBox::NoButton);
    QVERIFY(!box.hadParent);
}

void TestServersCommands::checkNotice(const SeenBox &box, const QString &text)
{
    QCOMPARE(box.text, text);
    QCOMPARE(box.title, QString());
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!box.hadParent);
}

void TestServersCommands::deleteAnswering(QMessageBox::StandardButton answer)
{
    boxes->answerNext(answer);
    press(window.get(), "pushButton_del");
}

void TestServersCommands::addAppendsAndSelects()
{
    const SeenDialog seen = runDialogCommand("pushButton_add", [](EditDialog *dialog) {
        typeEntry(dialog, "127.0.0.4", "-5", "90");
        press(dialog, "pushButton_ok");
    });
    QVERIFY(seen.modal);
    QVERIFY(!seen.hadParent);
    QCOMPARE(seen.server + seen.limit + seen.period, QString());
    QVERIFY2(seen.dialog.isNull(), "the dialog outlived its command");
    QCOMPARE(boxes->count(), 0);
    QCOMPARE(list->count(), 4);
    QCOMPARE(list->currentIndex(), 3);
    QCOMPARE(list->itemText(3), QStringLiteral("127.0.0.4"));
    QCOMPARE(list->itemData(3).toString(), QStringLiteral("127.0.0.4 -5 90 0"));
}

void TestServersCommands::addCancelledKeepsList()
{
    list->setCurrentIndex(1);
    const ServerListSnapshot before = snapshotOf(*list);
    runDialogCommand("pushButton_add", [](EditDialog *dialog) {
        QTest::keyClicks(field(dialog, "lineEdit_ip"), QStringLiteral("127.0.0.4"));
        press(dialog, "pushButton_cancel");
    });
    QCOMPARE(snapshotOf(*list), before);
    QCOMPARE(boxes->count(), 0);
}

// The add command opens the dialog in add mode: a listed host is refused.
void TestServersCommands::addDuplicateThenCancel()
{
    const ServerListSnapshot before = snapshotOf(*list);
    runDialogCommand("pushButton_add", [this](EditDialog *dialog) {
        typeEntry(dialog, "127.0.0.2", "1", "1");
        press(dialog, "pushButton_ok");
        QVERIFY(dialog->isVisible());
        QCOMPARE(boxes->count(), 1);
        dialog->close();
    });
    QCOMPARE(boxes->last().text, QStringLiteral("服务器重复！"));
    QCOMPARE(snapshotOf(*list), before);
}

void TestServersCommands::editFillsFromMembers_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<quint32>("limit");
    QTest::addColumn<quint32>("period");
    QTest::addColumn<QString>("limitText");
    QTest::addColumn<QString>("periodText");

    QTest::newRow("plain") << "127.0.0.2" << quint32(30) << quint32(60) << "30" << "60";
    QTest::newRow("stored -1 shows unsigned") << "127.0.0.2" << quint32(4294967295u) << quint32(0) << "4294967295"
                                              << "0";
    QTest::newRow("above the signed range") << "time.example" << quint32(2147483648u) << quint32(7) << "2147483648"
                                            << "7";
}

// The dialog is filled from the window's members, not from the list item.
void TestServersCommands::editFillsFromMembers()
{
    QFETCH(QString, host);
    QFETCH(quint32, limit);
    QFETCH(quint32, period);
    QFETCH(QString, limitText);
    QFETCH(QString, periodText);

    list->setCurrentIndex(1);
    probe->serverHost() = host;
    probe->syncLimit() = limit;
    probe->syncPeriod() = period;
    const ServerListSnapshot before = snapshotOf(*list);
    const SeenDialog seen = runDialogCommand("pushButton_edit", [](EditDialog *dialog) {
        press(dialog, "pushButton_cancel");
    });
    QVERIFY(seen.modal);
    QVERIFY(!seen.hadParent);
    QCOMPARE(seen.server, host);
    QCOMPARE(seen.limit, limitText);
    QCOMPARE(seen.period, periodText);
    QVERIFY(seen.dialog.isNull());
    QCOMPARE(snapshotOf(*list), before);
}

// An entry stopped by its limit (state 3) comes back from the dialog as a new one (state 0).
void TestServersCommands::editWritesStateZero()
{
    fillServerList(*list, {kThree[0], QStringLiteral("127.0.0.2 30 60 3"), kThree[2]}, 1);
    probe->serverHost() = QStringLiteral("127.0.0.2");
    probe->syncLimit() = 30;
    probe->syncPeriod() = 60;
    runDialogCommand("pushButton_edit", [](EditDialog *dialog) { press(dialog, "pushButton_ok"); });
    QCOMPARE(boxes->count(), 0);
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentIndex(), 1);
    QCOMPARE(list->itemText(1), QStringLiteral("127.0.0.2"));
    QCOMPARE(list->itemData(1).toString(), QStringLiteral("127.0.0.2 30 60 0"));
    QCOMPARE(list->itemData(2).toString(), kThree[2]);
}

void TestServersCommands::deleteSelectedOfThree_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("nowSelected");

    QTest::newRow("first") << 0 << QStringList{"127.0.0.2", "127.0.0.3"} << 0;
    QTest::newRow("middle") << 1 << QStringList{"127.0.0.1", "127.0.0.3"} << 1;
    QTest::newRow("last") << 2 << QStringList{"127.0.0.1", "127.0.0.2"} << 1;
}

void TestServersCommands::deleteSelectedOfThree()
{
    QFETCH(int, selected);
    QFETCH(QStringList, remaining);
    QFETCH(int, nowSelected);

    list->setCurrentIndex(selected);
    const QString host = list->currentText();
    QSignalSpy moved(list, QOverload<int>::of(&QComboBox::currentIndexChanged));
    deleteAnswering(QMessageBox::Yes);

    QCOMPARE(boxes->count(), 2);
    checkConfirmation(boxes->seen().at(0));
    checkNotice(boxes->seen().at(1), kDeleted.arg(host));
    QCOMPARE(snapshotOf(*list).texts, remaining);
    QCOMPARE(list->currentIndex(), nowSelected);
    QVERIFY(!moved.isEmpty());
    QCOMPARE(moved.last().first().toInt(), nowSelected);
    for (int i = 0; i < list->count(); ++i)
        QCOMPARE(list->itemData(i).toString().section(QLatin1Char(' '), 0, 0), list->itemText(i));
}

void TestServersCommands::deleteAnsweredNo_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("No") << false;
    QTest::newRow("Escape") << true;
}

void TestServersCommands::deleteAnsweredNo()
{
    QFETCH(bool, escape);
    list->setCurrentIndex(2);
    const ServerListSnapshot before = snapshotOf(*list);
    // With no answer queued the box is left through its escape button.
    if (escape)
        press(window.get(), "pushButton_del");
    else
        deleteAnswering(QMessageBox::No);
    QCOMPARE(boxes->count(), 1);
    checkConfirmation(boxes->last());
    QCOMPARE(snapshotOf(*list), before);
}

// The last entry is blanked, not removed; deleting the blank item again only says so.
void TestServersCommands::deleteDownToPlaceholder()
{
    fillServerList(*list, {QStringLiteral("127.0.0.7 45 90 0")}, 0);
    probe->serverHost() = QStringLiteral("127.0.0.7");
    probe->syncLimit() = 45;
    probe->syncPeriod() = 90;
    probe->ui()->lineEdit_limit->setText(QStringLiteral("45"));
    probe->ui()->lineEdit_cyc->setText(QStringLiteral("90"));

    deleteAnswering(QMessageBox::Yes);
    QCOMPARE(boxes->count(), 2);
    checkConfirmation(boxes->seen().at(0));
    checkNotice(boxes->seen().at(1), kDeleted.arg(QStringLiteral("127.0.0.7")));
    ServerListSnapshot blank;
    blank.texts = QStringList{QString()};
    blank.entries = QStringList{QString()};
    blank.current = 0;
    QCOMPARE(snapshotOf(*list), blank);
    QCOMPARE(probe->ui()->lineEdit_limit->text(), QString());
    QCOMPARE(probe->ui()->lineEdit_cyc->text(), QString());
    QCOMPARE(probe->serverHost(), QStringLiteral("127.0.0.7"));
    QCOMPARE(probe->syncLimit(), 45u);
    QCOMPARE(probe->syncPeriod(), 90u);

    probe->ui()->lineEdit_limit->setText(QStringLiteral("1"));
    probe->ui()->lineEdit_cyc->setText(QStringLiteral("2"));
    boxes->clear();
    deleteAnswering(QMessageBox::Yes);
    QCOMPARE(boxes->count(), 2);
    checkNotice(boxes->last(), kNothingToDelete);
    QCOMPARE(snapshotOf(*list), blank);
    QCOMPARE(probe->ui()->lineEdit_limit->text(), QString());
    QCOMPARE(probe->ui()->lineEdit_cyc->text(), QString());
}

// One item of a single character counts as no server: it is blanked with the "nothing" message.
void TestServersCommands::deleteOneLetterItem()
{
    fillServerList(*list, {QStringLiteral("x 1 1 0")}, 0);
    deleteAnswering(QMessageBox::Yes);
    QCOMPARE(boxes->count(), 2);
    checkNotice(boxes->last(), kNothingToDelete);
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->itemText(0), QString());
    QCOMPARE(list->itemData(0).toString(), QString());
}

// With no entry selected nothing is deleted, and the notice says so instead of showing an empty box.
void TestServersCommands::deleteWithoutSelection()
{
    list->setCurrentIndex(-1);
    const ServerListSnapshot before = snapshotOf(*list);
    deleteAnswering(QMessageBox::Yes);
    QCOMPARE(boxes->count(), 2);
    checkNotice(boxes->last(), kNothingToDelete);
    QCOMPARE(snapshotOf(*list), before);
}

void TestServersCommands::placeholderFilledByAdd()
{
    fillServerList(*list, {QStringLiteral("127.0.0.7 45 90 0")}, 0);
    deleteAnswering(QMessageBox::Yes);
    boxes->clear();
    runDialogCommand("pushButton_add", [](EditDialog *dialog) {
        typeEntry(dialog, "127.0.0.8", "5", "6");
        press(dialog, "pushButton_ok");
    });
    QCOMPARE(boxes->count(), 0);
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(list->itemText(0), QStringLiteral("127.0.0.8"));
    QCOMPARE(list->itemData(0).toString(), QStringLiteral("127.0.0.8 5 6 0"));
}

// After the last entry was blanked, edit still shows it (the members keep it) and fills the blank item.
void TestServersCommands::placeholderFilledByEdit()
{
    fillServerList(*list, {QStringLiteral("127.0.0.7 45 90 0")}, 0);
    probe->serverHost() = QStringLiteral("127.0.0.7");
    probe->syncLimit() = 45;
    probe->syncPeriod() = 90;
    deleteAnswering(QMessageBox::Yes);
    boxes->clear();
    const SeenDialog seen = runDialogCommand("pushButton_edit", [](EditDialog *dialog) {
        field(dialog, "lineEdit_cyc")->clear();
        QTest::keyClicks(field(dialog, "lineEdit_cyc"), QStringLiteral("120"));
        press(dialog, "pushButton_ok");
    });
    QCOMPARE(seen.server, QStringLiteral("127.0.0.7"));
    QCOMPARE(seen.limit, QStringLiteral("45"));
    QCOMPARE(seen.period, QStringLiteral("90"));
    QCOMPARE(boxes->count(), 0);
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->itemText(0), QStringLiteral("127.0.0.7"));
    QCOMPARE(list->itemData(0).toString(), QStringLiteral("127.0.0.7 45 120 0"));
}

// The commands of the window that the rows below name.
void TestServersCommands::runCommand(const QString &command)
{
    if (command == QLatin1String("add")) {
        runDialogCommand("pushButton_add", [](EditDialog *dialog) {
            typeEntry(dialog, "127.0.0.4", "15", "25");
            press(dialog, "pushButton_ok");
        });
    } else if (command == QLatin1String("edit")) {
        runDialogCommand("pushButton_edit", [](EditDialog *dialog) {
            field(dialog, "lineEdit_linit")->clear();
            QTest::keyClicks(field(dialog, "lineEdit_linit"), QStringLiteral("45"));
            press(dialog, "pushButton_ok");
        });
    } else if (command.endsWith(QLatin1String("cancelled"))) {
        runDialogCommand(command.startsWith(QLatin1String("add")) ? "pushButton_add" : "pushButton_edit",
                         [](EditDialog *dialog) { press(dialog, "pushButton_cancel"); });
    } else {
        deleteAnswering(QMessageBox::Yes);
    }
}

void TestServersCommands::windowFollowsSelection_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("period");

    QTest::newRow("add cancelled") << 1 << "add cancelled" << "127.0.0.2" << "30" << "60";
    QTest::newRow("add") << 1 << "add" << "127.0.0.4" << "15" << "25";
    QTest::newRow("edit") << 1 << "edit" << "127.0.0.2" << "45" << "60";
    QTest::newRow("edit cancelled") << 1 << "edit cancelled" << "127.0.0.2" << "30" << "60";
    QTest::newRow("delete middle") << 1 << "delete" << "127.0.0.3" << "10" << "20";
    QTest::newRow("delete last") << 2 << "delete" << "127.0.0.2" << "30" << "60";
}

// After every command the window's fields and selected server are those of the selected entry.
void TestServersCommands::windowFollowsSelection()
{
    QFETCH(int, selected);
    QFETCH(QString, command);
    QFETCH(QString, host);
    QFETCH(QString, limit);
    QFETCH(QString, period);

    list->setCurrentIndex(selected);
    probe->ui()->lineEdit_limit->setText(QStringLiteral("stale"));
    probe->ui()->lineEdit_cyc->setText(QStringLiteral("stale"));
    runCommand(command);

    QCOMPARE(probe->serverHost(), host);
    QCOMPARE(probe->ui()->lineEdit_limit->text(), limit);
    QCOMPARE(probe->ui()->lineEdit_cyc->text(), period);
    QCOMPARE(probe->syncLimit(), limit.toUInt());
    QCOMPARE(probe->syncPeriod(), period.toUInt());
}

void TestServersCommands::roundTripThroughFile_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("command");

    const QStringList stopped = {kThree[0], QStringLiteral("127.0.0.2 30 60 3")};
    QTest::newRow("add") << kThree << 0 << "add";
    QTest::newRow("edit, state 3 back to 0") << stopped << 1 << "edit";
    QTest::newRow("delete") << kThree << 1 << "delete";
    QTest::newRow("delete the only entry") << QStringList{kThree[2]} << 0 << "delete";
}

// What a command leaves in the list is what the next start finds in ntp.ini.
void TestServersCommands::roundTripThroughFile()
{
    QFETCH(QStringList, entries);
    QFETCH(int, selected);
    QFETCH(QString, command);

    fillServerList(*list, entries, selected);
    runCommand(command);
    const ServerListSnapshot changed = snapshotOf(*list);
    QVERIFY(changed.entries != entries);
    QVERIFY(probe->saveSettings());

    MainWindow restarted;
    QCOMPARE(snapshotOf(*MainWindowProbe(restarted).ui()->comboBox_iplist), changed);
}

QTEST_MAIN(TestServersCommands)
#include "tst_servers_commands.moc"
