// The entry dialog on its own, against a plain combo box standing for the window's server list.
#include "helpers/modalboxes.h"
#include "helpers/serverlistfixture.h"
#include "servers/editdialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {

const QString kEmptyServer = QStringLiteral("服务器地址不能为空");
const QString kServerFormat = QStringLiteral("服务器地址格式不对");
const QString kLimitFormat = QStringLiteral("同步限制格式不对");
const QString kPeriodFormat = QStringLiteral("同步周期格式不对");
const QString kDuplicate = QStringLiteral("服务器重复！");

const QStringList kThreeServers = {QStringLiteral("192.168.0.132 1000 1000 0"),
                                   QStringLiteral("ntp.example.org 1000 1000 0"),
                                   QStringLiteral("ntp.org 60 60 3")};

QLineEdit *field(EditDialog &dialog, const char *name)
{
    return dialog.findChild<QLineEdit *>(QLatin1String(name));
}

QPushButton *button(EditDialog &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QLatin1String(name));
}

// Types like a user. A tab cannot be typed into a line edit and QTest types only printable
// ASCII, so such text arrives as pasted text.
void enter(QLineEdit *edit, const QString &text)
{
    const bool typeable = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7f;
    });
    if (typeable)
        QTest::keyClicks(edit, text);
    else
        edit->insert(text);
}

void fillIn(EditDialog &dialog, const QString &server, const QString &limit, const QString &period)
{
    enter(field(dialog, "lineEdit_ip"), server);
    enter(field(dialog, "lineEdit_linit"), limit);
    enter(field(dialog, "lineEdit_cyc"), period);
}

void pressOk(EditDialog &dialog)
{
    QTest::mouseClick(button(dialog, "pushButton_ok"), Qt::LeftButton);
}

} // namespace

class TestServersEditDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowShape();
    void widgets_data();
    void widgets();
    void focusOrder();

    void refusals_data();
    void refusals();
    void appendsAsTyped_data();
    void appendsAsTyped();
    void placeholder_data();
    void placeholder();
    void duplicates_data();
    void duplicates();
    void editRewritesCurrent_data();
    void editRewritesCurrent();
    void leavingKeepsList_data();
    void leavingKeepsList();

private:
    QComboBox *list = nullptr;
    ModalBoxCloser *boxes = nullptr;
};

void TestServersEditDialog::init()
{
    list = new QComboBox;
    boxes = new ModalBoxCloser;
}

void TestServersEditDialog::cleanup()
{
    delete boxes;
    delete list;
}

void TestServersEditDialog::windowShape()
{
    EditDialog dialog(0, list);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("设置"));
    QCOMPARE(dialog.size(), QSize(430, 210));
    QCOMPARE(dialog.minimumSize(), QSize(430, 210));
    QCOMPARE(dialog.maximumSize(), QSize(430, 210));
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(dialog.parentWidget() == nullptr);
    for (const char *name : {"lineEdit_ip", "lineEdit_linit", "lineEdit_cyc"}) {
        QVERIFY2(field(dialog, name)->validator() == nullptr, name);
        QVERIFY2(field(dialog, name)->inputMask().isEmpty(), name);
    }
}

void TestServersEditDialog::widgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("server label") << "label_17" << "服务器  ";
    QTest::newRow("server field") << "lineEdit_ip" << "";
    QTest::newRow("limit label") << "label_2" << "同步限制";
    QTest::newRow("limit field") << "lineEdit_linit" << "";
    QTest::newRow("limit unit") << "label_5" << "秒  ";
    QTest::newRow("period label") << "label_3" << "同步周期";
    QTest::newRow("period field") << "lineEdit_cyc" << "";
    QTest::newRow("period unit") << "label_4" << "秒  ";
    QTest::newRow("server help") << "label_7" << "服务器：   上级时间服务器IP或者internet域名。";
    QTest::newRow("limit help") << "label_8" << "同步限制：本地电脑时间和上级时间服务器差值超过此时间将不再同步。";
    QTest::newRow("period help") << "label_9" << "同步周期：自动同步的间隔时间。";
    QTest::newRow("OK button") << "pushButton_ok" << "确定";
    QTest::newRow("cancel button") << "pushButton_cancel" << "取消";
}

void TestServersEditDialog::widgets()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    EditDialog dialog(0, list);
    auto *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->property("text").toString(), text);
}

// The widgets' creation order makes the focus go limit, period, server, OK, cancel.
void TestServersEditDialog::focusOrder()
{
    EditDialog dialog(0, list);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    field(dialog, "lineEdit_linit")->setFocus();
    const QStringList expected = {QStringLiteral("lineEdit_linit"), QStringLiteral("lineEdit_cyc"),
                                  QStringLiteral("lineEdit_ip"), QStringLiteral("pushButton_ok"),
                                  QStringLiteral("pushButton_cancel"), QStringLiteral("lineEdit_linit")};
    QStringList seen;
    for (int i = 0; i < expected.size(); ++i) {
        seen.append(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(seen, expected);
}

void TestServersEditDialog::refusals_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("message");

    QTest::newRow("all empty") << "" << "" << "" << kEmptyServer;
    QTest::newRow("empty server, good numbers") << "" << "60" << "60" << kEmptyServer;
    QTest::newRow("space inside server") << "ntp example.org" << "60" << "60" << kServerFormat;
    QTest::newRow("trailing space") << "127.0.0.1 " << "60" << "60" << kServerFormat;
    QTest::newRow("leading space") << " 127.0.0.1" << "60" << "60" << kServerFormat;
    QTest::newRow("only spaces, before limit") << "   " << "" << "" << kServerFormat;
    QTest::newRow("tab inside server") << "ntp\texample.org" << "60" << "60" << kServerFormat;
    QTest::newRow("ideographic space") << QStringLiteral("ntp\u3000org") << "60" << "60" << kServerFormat;
    QTest::newRow("empty limit") << "127.0.0.1" << "" << "" << kLimitFormat;
    QTest::newRow("limit with plus") << "127.0.0.1" << "+5" << "60" << kLimitFormat;
    QTest::newRow("limit with point") << "127.0.0.1" << "1.0" << "60" << kLimitFormat;
    QTest::newRow("limit with space") << "127.0.0.1" << "5 0" << "60" << kLimitFormat;
    QTest::newRow("limit a word") << "127.0.0.1" << "abc" << "60" << kLimitFormat;
    QTest::newRow("limit lone minus") << "127.0.0.1" << "-" << "60" << kLimitFormat;
    QTest::newRow("limit double minus") << "127.0.0.1" << "--5" << "60" << kLimitFormat;
    QTest::newRow("limit digit then text") << "127.0.0.1" << "5s" << "60" << kLimitFormat;
    QTest::newRow("period 1.5") << "127.0.0.1" << "60" << "1.5" << kPeriodFormat;
    QTest::newRow("empty period") << "127.0.0.1" << "60" << "" << kPeriodFormat;
    QTest::newRow("period inner minus") << "127.0.0.1" << "60" << "6-0" << kPeriodFormat;
    QTest::newRow("period with unit") << "127.0.0.1" << "60" << "60s" << kPeriodFormat;
}

void TestServersEditDialog::refusals()
{
    QFETCH(QString, server);
    QFETCH(QString, limit);
    QFETCH(QString, period);
    QFETCH(QString, message);

    fillServerList(*list, kThreeServers, 1);
    const ServerListSnapshot before = snapshotOf(*list);
    EditDialog dialog(0, list);
    dialog.show();
    QSignalSpy finished(&dialog, &QDialog::finished);
    fillIn(dialog, server, limit, period);
    pressOk(dialog);

    QCOMPARE(boxes->count(), 1);
    const SeenBox box = boxes->last();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QStringLiteral("错误"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.defaultButton, QMessageBox::NoButton);
    QVERIFY(box.parent == &dialog);

    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(snapshotOf(*list), before);
    QCOMPARE(field(dialog, "lineEdit_ip")->text(), server);
    QCOMPARE(field(dialog, "lineEdit_linit")->text(), limit);
    QCOMPARE(field(dialog, "lineEdit_cyc")->text(), period);
}

void TestServersEditDialog::appendsAsTyped_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("entry");

    QTest::newRow("address") << "127.0.0.3" << "30" << "60" << "127.0.0.3 30 60 0";
    QTest::newRow("host name") << "time.example.net" << "1000" << "1000" << "time.example.net 1000 1000 0";
    QTest::newRow("negative limit") << "127.0.0.3" << "-5" << "60" << "127.0.0.3 -5 60 0";
    QTest::newRow("zero limit and period") << "127.0.0.3" << "0" << "0" << "127.0.0.3 0 0 0";
    QTest::newRow("leading zeros kept") << "127.0.0.3" << "007" << "-0" << "127.0.0.3 007 -0 0";
    QTest::newRow("percent signs not substituted") << "a%1b%2.example" << "5" << "6" << "a%1b%2.example 5 6 0";
}

void TestServersEditDialog::appendsAsTyped()
{
    QFETCH(QString, server);
    QFETCH(QString, limit);
    QFETCH(QString, period);
    QFETCH(QString, entry);

    fillServerList(*list, kThreeServers, 0);
    ServerListSnapshot expected = snapshotOf(*list);
    expected.texts.append(server);
    expected.entries.append(entry);
    expected.current = 3;

    EditDialog dialog(0, list);
    dialog.show();
    QSignalSpy selected(list, QOverload<int>::of(&QComboBox::currentIndexChanged));
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    fillIn(dialog, server, limit, period);
    pressOk(dialog);

    QCOMPARE(boxes->count(), 0);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(snapshotOf(*list), expected);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.first().first().toInt(), 3);
}

void TestServersEditDialog::placeholder_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QStringList>("texts");

    const QString server = QStringLiteral("127.0.0.9");
    QTest::newRow("add into blank item") << 0 << QStringList{""} << server << QStringList{server};
    QTest::newRow("edit into blank item") << 1 << QStringList{""} << server << QStringList{server};
    QTest::newRow("add over two-letter host") << 0 << QStringList{"ab 1 2 0"} << server << QStringList{server};
    QTest::newRow("edit over three-letter host") << 1 << QStringList{"abc 1 2 3"} << server << QStringList{server};
    QTest::newRow("add, same host, no duplicate test") << 0 << QStringList{"NTP 1 2 0"} << "ntp" << QStringList{"ntp"};
    QTest::newRow("add after a four-letter host appends")
        << 0 << QStringList{"abcd 1 2 0"} << server << QStringList{"abcd", server};
    QTest::newRow("add after two blank items appends") << 0 << QStringList{"", ""} << server << QStringList{"", "", server};
}

// One item with at most three characters is filled instead of appended to, in both modes.
void TestServersEditDialog::placeholder()
{
    QFETCH(int, mode);
    QFETCH(QStringList, entries);
    QFETCH(QString, server);
    QFETCH(QStringList, texts);

    fillServerList(*list, entries, 0);
    EditDialog dialog(mode, list);
    dialog.show();
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    fillIn(dialog, server, QStringLiteral("30"), QStringLiteral("60"));
    pressOk(dialog);

    QCOMPARE(boxes->count(), 0);
    QCOMPARE(accepted.count(), 1);
    const ServerListSnapshot after = snapshotOf(*list);
    QCOMPARE(after.texts, texts);
    QCOMPARE(after.entries.last(), server + QStringLiteral(" 30 60 0"));
    QCOMPARE(after.current, texts.size() - 1);
}

void TestServersEditDialog::duplicates_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("duplicate");

    const QStringList withBlank = {"", "a.example 1 1 0", "b.example 1 1 0"};
    QTest::newRow("same address") << kThreeServers << "192.168.0.132" << true;
    QTest::newRow("address with listed prefix") << kThreeServers << "192.168.0.1320" << false;
    QTest::newRow("prefix of listed address") << kThreeServers << "192.168.0.13" << false;
    QTest::newRow("same host, other case") << kThreeServers << "NTP.example.org" << true;
    QTest::newRow("same host, mixed case") << kThreeServers << "ntp.EXAMPLE.Org" << true;
    QTest::newRow("host ending in listed host") << kThreeServers << "pool.ntp.org" << false;
    QTest::newRow("suffix of listed host") << kThreeServers << "example.org" << false;
    QTest::newRow("blank item among others") << withBlank << "c.example" << false;
    QTest::newRow("blank item, listed host") << withBlank << "B.EXAMPLE" << true;
}

void TestServersEditDialog::duplicates()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, server);
    QFETCH(bool, duplicate);

    fillServerList(*list, entries, 1);
    const ServerListSnapshot before = snapshotOf(*list);
    EditDialog dialog(0, list);
    dialog.show();
    QSignalSpy finished(&dialog, &QDialog::finished);
    fillIn(dialog, server, QStringLiteral("30"), QStringLiteral("60"));
    pressOk(dialog);

    if (!duplicate) {
        QCOMPARE(boxes->count(), 0);
        QCOMPARE(list->count(), before.texts.size() + 1);
        QCOMPARE(list->itemText(list->count() - 1), server);
        QCOMPARE(finished.count(), 1);
        return;
    }
    QCOMPARE(boxes->count(), 1);
    const SeenBox box = boxes->last();
    QCOMPARE(box.text, kDuplicate);
    QCOMPARE(box.title, QString());
    QVERIFY(!box.hadParent);
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(snapshotOf(*list), before);
}

void TestServersEditDialog::editRewritesCurrent_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("limit");

    QTest::newRow("own server") << 1 << "ntp.example.org" << "30";
    QTest::newRow("server listed elsewhere") << 0 << "ntp.org" << "1000";
    QTest::newRow("state 3 written back as 0") << 2 << "ntp.org" << "60";
    QTest::newRow("negative limit") << 2 << "127.0.0.4" << "-1";
}

// Edit mode rewrites the selected item, never tests for duplicates and fires no selection signal.
void TestServersEditDialog::editRewritesCurrent()
{
    QFETCH(int, current);
    QFETCH(QString, server);
    QFETCH(QString, limit);

    fillServerList(*list, kThreeServers, current);
    ServerListSnapshot expected = snapshotOf(*list);
    expected.texts[current] = server;
    expected.entries[current] = QStringLiteral("%1 %2 60 0").arg(server, limit);

    EditDialog dialog(1, list);
    dialog.show();
    QSignalSpy selected(list, QOverload<int>::of(&QComboBox::currentIndexChanged));
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    fillIn(dialog, server, limit, QStringLiteral("60"));
    pressOk(dialog);

    QCOMPARE(boxes->count(), 0);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(snapshotOf(*list), expected);
    QCOMPARE(selected.count(), 0);
}

void TestServersEditDialog::leavingKeepsList_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<bool>("byCloseButton");
    QTest::addColumn<int>("boxesBefore");

    QTest::newRow("cancel after empty server") << 0 << "" << "60" << false << 1;
    QTest::newRow("cancel after bad limit, edit") << 1 << "127.0.0.5" << "x" << false << 1;
    QTest::newRow("cancel after duplicate") << 0 << "NTP.ORG" << "60" << false << 1;
    QTest::newRow("close after white space") << 0 << "a b" << "60" << true << 1;
    QTest::newRow("close after bad limit, edit") << 1 << "127.0.0.5" << "1.5" << true << 1;
    QTest::newRow("cancel with valid fields") << 1 << "127.0.0.5" << "60" << false << 0;
    QTest::newRow("close with valid fields") << 0 << "127.0.0.5" << "60" << true << 0;
}

// Cancel and the close button reject the dialog and leave the list exactly as it was.
void TestServersEditDialog::leavingKeepsList()
{
    QFETCH(int, mode);
    QFETCH(QString, server);
    QFETCH(QString, limit);
    QFETCH(bool, byCloseButton);
    QFETCH(int, boxesBefore);

    fillServerList(*list, kThreeServers, 2);
    const ServerListSnapshot before = snapshotOf(*list);
    EditDialog dialog(mode, list);
    dialog.show();
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    fillIn(dialog, server, limit, QStringLiteral("60"));
    if (boxesBefore > 0)
        pressOk(dialog);
    QCOMPARE(boxes->count(), boxesBefore);

    if (byCloseButton)
        dialog.close();
    else
        QTest::mouseClick(button(dialog, "pushButton_cancel"), Qt::LeftButton);

    QCOMPARE(rejected.count(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(snapshotOf(*list), before);
    QCOMPARE(boxes->count(), boxesBefore);
}

QTEST_MAIN(TestServersEditDialog)
#include "tst_servers_editdialog.moc"
