// The main window's form as built, before any settings are loaded, and the window around it.
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

Q_DECLARE_METATYPE(QMargins)

class MainWindowFormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void texts_data();
    void texts();
    void gridCells_data();
    void gridCells();
    void layoutSpacingAndMargins_data();
    void layoutSpacingAndMargins();
    void serverListProperties();
    void displayFieldsAreReadOnly();
    void menus();
    void focusOrder();
    void windowIsFixedAndToolBarHidden();
    void validatorsFilterTyping_data();
    void validatorsFilterTyping();

private:
    QMainWindow bare;
    Ui::MainWindow form;
    QTemporaryDir settingsDir;
};

void MainWindowFormTest::initTestCase()
{
    form.setupUi(&bare);
    QVERIFY(settingsDir.isValid());
    useLoopbackSettings(settingsDir.path());
}

void MainWindowFormTest::texts_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("text");
    const QList<QPair<const char *, const char *>> rows = {
        {"groupBox", "服务器"}, {"groupBox_2", "选项"}, {"groupBox_3", "本地时间"}, {"groupBox_4", "监控设置"},
        {"pushButton_add", "添加"}, {"label_2", "同步限制"}, {"label", "秒"}, {"pushButton_edit", "编辑"},
        {"label_3", "同步周期"}, {"label_18", "秒"}, {"pushButton_del", "删除"},
        {"pushButton_sync", "立即同步时间"}, {"label_syncinfo", "未同步"},
        {"checkBox_pallet", "系统托盘"}, {"checkBox_startrun", "开机运行"}, {"pushButton_ok", "确定"},
        {"pushButton_quit", "退出"}, {"label_hhmmss", "参考时间"}, {"label_yymmdd", "TextLabel"},
        {"label_11", "本地端口"}, {"lineEdit_localport", "9527"}, {"label_12", "目标IP"},
        {"lineEdit_objip", "192.168.0.135"}, {"label_13", "目标端口"}, {"lineEdit_objport", "319"},
        {"checkBox_start_run_ctl", "开机监控"}, {"pushButton_out", "输出"},
        {"lineEdit_limit", ""}, {"lineEdit_cyc", ""},
        {"menu", "文件"}, {"menu_2", "关于"},
        {"action_exit", "退出"}, {"action_about", "关于"}, {"action_manual", "操作手册"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.first) << QString::fromLatin1(row.first) << QString::fromUtf8(row.second);
}

static QString textOf(QObject *object)
{
    if (auto *group = qobject_cast<QGroupBox *>(object))
        return group->title();
    if (auto *menu = qobject_cast<QMenu *>(object))
        return menu->title();
    for (const char *property : {"text", "title"}) {
        const QVariant value = object->property(property);
        if (value.isValid())
            return value.toString();
    }
    return QStringLiteral("<no text>");
}

void MainWindowFormTest::texts()
{
    QFETCH(QString, object);
    QFETCH(QString, text);
    QObject *found = bare.findChild<QObject *>(object);
    QVERIFY2(found, qPrintable(object));
    QCOMPARE(textOf(found), text);
    if (auto *box = qobject_cast<QCheckBox *>(found))
        QVERIFY(!box->isChecked());
}

void MainWindowFormTest::gridCells_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("rowSpan");
    QTest::addColumn<int>("columnSpan");
    const struct { const char *layout, *object; int r, c, rs, cs; } rows[] = {
        {"gridLayout", "comboBox_iplist", 0, 0, 1, 4}, {"gridLayout", "pushButton_add", 0, 4, 1, 1},
        {"gridLayout", "label_2", 2, 0, 1, 1}, {"gridLayout", "lineEdit_limit", 2, 1, 1, 2},
        {"gridLayout", "label", 2, 3, 1, 1}, {"gridLayout", "pushButton_edit", 2, 4, 1, 1},
        {"gridLayout", "label_3", 3, 0, 1, 1}, {"gridLayout", "lineEdit_cyc", 3, 1, 1, 2},
        {"gridLayout", "label_18", 3, 3, 1, 1}, {"gridLayout", "pushButton_del", 3, 4, 1, 1},
        {"gridLayout_2", "checkBox_pallet", 0, 0, 1, 1}, {"gridLayout_2", "checkBox_startrun", 0, 2, 1, 1},
        {"gridLayout_2", "pushButton_ok", 1, 0, 1, 1}, {"gridLayout_2", "pushButton_quit", 1, 2, 1, 1},
        {"gridLayout_3", "label_hhmmss", 1, 0, 1, 2}, {"gridLayout_3", "label_yymmdd", 2, 0, 1, 2},
    };
    for (const auto &row : rows)
        QTest::newRow(row.object) << row.layout << row.object << row.r << row.c << row.rs << row.cs;
}

void MainWindowFormTest::gridCells()
{
    QFETCH(QString, layout);
    QFETCH(QString, object);
    auto *grid = bare.findChild<QGridLayout *>(layout);
    auto *widget = bare.findChild<QWidget *>(object);
    QVERIFY(grid && widget);
    const int index = grid->indexOf(widget);
    QVERIFY(index >= 0);
    int r = -1, c = -1, rs = -1, cs = -1;
    grid->getItemPosition(index, &r, &c, &rs, &cs);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, rowSpan);
    QFETCH(int, columnSpan);
    QCOMPARE(QList<int>({r, c, rs, cs}), QList<int>({row, column, rowSpan, columnSpan}));
}

void MainWindowFormTest::layoutSpacingAndMargins_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QMargins>("margins");
    QTest::newRow("verticalLayout_6") << "verticalLayout_6" << 4 << QMargins(9, 9, 9, 9);
    QTest::newRow("horizontalLayout") << "horizontalLayout" << 4 << QMargins(0, 0, 0, 0);
    QTest::newRow("verticalLayout") << "verticalLayout" << 4 << QMargins(0, 0, 0, 0);
    QTest::newRow("verticalLayout_2") << "verticalLayout_2" << 4 << QMargins(2, 2, 2, 2);
    QTest::newRow("gridLayout") << "gridLayout" << 6 << QMargins(0, 0, 0, 0);
    QTest::newRow("verticalLayout_5") << "verticalLayout_5" << 6 << QMargins(0, 0, 0, 0);
    QTest::newRow("verticalLayout_3") << "verticalLayout_3" << 4 << QMargins(2, 2, 2, 2);
    QTest::newRow("horizontalLayout_2") << "horizontalLayout_2" << 4 << QMargins(2, 2, 2, 2);
    QTest::newRow("verticalLayout_4") << "verticalLayout_4" << 4 << QMargins(2, 2, 2, 2);
    QTest::newRow("horizontalLayout_3") << "horizontalLayout_3" << 6 << QMargins(0, 0, 0, 0);
}

void MainWindowFormTest::layoutSpacingAndMargins()
{
    QFETCH(QString, layout);
    QFETCH(int, spacing);
    QFETCH(QMargins, margins);
    auto *found = bare.findChild<QLayout *>(layout);
    QVERIFY2(found, qPrintable(layout));
    QCOMPARE(found->spacing(), spacing);
    QCOMPARE(found->contentsMargins(), margins);
}

void MainWindowFormTest::serverListProperties()
{
    QComboBox *list = form.comboBox_iplist;
    QCOMPARE(list->count(), 0);
    QVERIFY(!list->isEditable());
    QCOMPARE(list->maxVisibleItems(), 30);
    QCOMPARE(list->minimumWidth(), 145);
    QCOMPARE(list->sizeAdjustPolicy(), QComboBox::AdjustToContents);
    QVERIFY(!list->duplicatesEnabled());
    QCOMPARE(form.pushButton_add->maximumWidth(), 50);
    QCOMPARE(form.pushButton_sync->maximumWidth(), 1000);
    QCOMPARE(form.label_syncinfo->minimumWidth(), 261);
    QCOMPARE(form.label_hhmmss->minimumWidth(), 280);
    QCOMPARE(form.label_hhmmss->alignment(), Qt::AlignCenter);
    QCOMPARE(form.lineEdit_objport->maximumWidth(), 70);
}

void MainWindowFormTest::displayFieldsAreReadOnly()
{
    QVERIFY(!form.lineEdit_limit->isEnabled());
    QVERIFY(!form.lineEdit_cyc->isEnabled());
}

void MainWindowFormTest::menus()
{
    const QList<QAction *> top = form.menuBar->actions();
    QCOMPARE(top.size(), 2);
    QCOMPARE(top[0]->menu(), form.menu);
    QCOMPARE(top[1]->menu(), form.menu_2);
    QCOMPARE(form.menu->actions(), QList<QAction *>({form.action_exit}));
    // The manual is offered first in the about menu.
    QCOMPARE(form.menu_2->actions(), QList<QAction *>({form.action_manual, form.action_about}));
    QVERIFY(form.mainToolBar->actions().isEmpty());
}

void MainWindowFormTest::focusOrder()
{
    const QStringList expected = {
        "comboBox_iplist", "pushButton_add", "pushButton_edit", "pushButton_del", "pushButton_sync",
        "pushButton_quit", "checkBox_pallet", "checkBox_startrun", "pushButton_ok", "lineEdit_localport",
        "lineEdit_objip", "lineEdit_objport", "checkBox_start_run_ctl", "pushButton_out"};
    QStringList chain;
    QWidget *w = form.centralWidget;
    do {
        w = w->nextInFocusChain();
        if (expected.contains(w->objectName()))
            chain << w->objectName();
    } while (w != form.centralWidget && chain.size() < expected.size());
    // Created order: the add button before the list, the edit and delete buttons after it.
    QStringList created = expected;
    created.move(created.indexOf("pushButton_add"), 0);
    QCOMPARE(chain, created);
}

void MainWindowFormTest::windowIsFixedAndToolBarHidden()
{
    MainWindow window;
    MainWindowProbe probe(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(583, 370));
    QCOMPARE(window.minimumSize(), QSize(583, 370));
    QCOMPARE(window.maximumSize(), QSize(583, 370));
    QVERIFY(!probe.ui()->mainToolBar->isVisible());
    QVERIFY(window.windowTitle().isEmpty());
    window.resize(800, 600);
    QCOMPARE(window.size(), QSize(583, 370));
}

void MainWindowFormTest::validatorsFilterTyping_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("address") << "lineEdit_objip" << "192.168.0.135" << "192.168.0.135";
    QTest::newRow("address refuses letters") << "lineEdit_objip" << "12a7.x0.0.1" << "127.0.0.1";
    QTest::newRow("address refuses a fifth part") << "lineEdit_objip" << "1.2.3.4.5" << "1.2.3.45";
    QTest::newRow("address part above 255") << "lineEdit_objip" << "256" << "25";
    QTest::newRow("local port digits") << "lineEdit_localport" << "9527" << "9527";
    QTest::newRow("local port minus") << "lineEdit_localport" << "-5" << "-5";
    QTest::newRow("local port letters") << "lineEdit_localport" << "9x5y" << "95";
    QTest::newRow("target port plus") << "lineEdit_objport" << "+12" << "12";
    QTest::newRow("target port space") << "lineEdit_objport" << "3 19" << "319";
}

void MainWindowFormTest::validatorsFilterTyping()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    MainWindow window;
    auto *edit = window.findChild<QLineEdit *>(field);
    QVERIFY(edit);
    QVERIFY(edit->validator());
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), kept);
}

QTEST_MAIN(MainWindowFormTest)
#include "tst_mainwindow_form.moc"
