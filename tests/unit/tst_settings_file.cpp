// ntp.ini: what a load shows, what a save writes, and that the two meet again.
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"
#include "helpers/modalboxes.h"
#include "settings/settingspath.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString limitStopText = QStringLiteral("超出同步时间限制，同步时间停止");
const QString formLabelText = QStringLiteral("未同步");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), qint64(text.size()));
}

// Loads `text` into a window as its constructor would, without the sync start behind it.
void loadInto(MainWindow &window, const QString &iniPath, const QByteArray &text)
{
    writeAll(iniPath, text);
    MainWindowProbe probe(window);
    probe.ui()->comboBox_iplist->clear();
    probe.entryState() = 0;
    probe.notSynced() = 0;
    probe.ui()->label_syncinfo->setText(formLabelText);
    probe.loadSettings();
}

QStringList itemTexts(const QComboBox *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

QStringList itemEntries(const QComboBox *list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemData(i, Qt::UserRole).toString();
    return entries;
}

bool onlyLoopbackIsUp()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && !flags.testFlag(QNetworkInterface::IsLoopBack))
            return false;
    }
    return true;
}

const QByteArray firstStartFile = "[mainWindow]\n"
                                  "localPort=12345\n"
                                  "objIp=255.255.255.255\n"
                                  "objPort=12345\n"
                                  "serverListCurrent=1\n"
                                  "\n"
                                  "[serverIplist]\n"
                                  "1\\serverList_0=192.168.0.132 1000 1000 0\n"
                                  "2\\serverList_1=ntp.aliyun.com 1000 1000 0\n"
                                  "3\\serverList_2=cn.pool.ntp.org 1000 1000 0\n"
                                  "size=3\n";

} // namespace

class SettingsFileTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void firstStartWritesDefaults();
    void emptyListIsSeededAgainKeepingKeys();
    void loadShowsStoredSelection_data();
    void loadShowsStoredSelection();
    void loadFillsOptions();
    void saveWritesExactlyTheProgramsKeys();
    void roundTripRestoresWidgets_data();
    void roundTripRestoresWidgets();
    void okConfirmsSave();

private:
    QTemporaryDir configHome;
};

void SettingsFileTest::initTestCase()
{
    // A loaded "startrun" rewrites the start-at-logon entry; keep it out of the real home.
    QVERIFY(configHome.isValid());
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
}

void SettingsFileTest::firstStartWritesDefaults()
{
    // The defaults name real servers, which the constructor asks at once.
    if (!onlyLoopbackIsUp())
        QSKIP("the first start asks non-loopback servers; run it through tests/netns-run.sh");
    QTemporaryDir dir;
    setSettingsDirectoryOverride(dir.path());
    const QString iniPath = dir.filePath(QStringLiteral("ntp.ini"));
    QVERIFY(!QFile::exists(iniPath));

    MainWindow window;
    MainWindowProbe probe(window);

    QCOMPARE(readAll(iniPath), firstStartFile);
    QCOMPARE(itemTexts(probe.ui()->comboBox_iplist),
             (QStringList{"192.168.0.132", "ntp.aliyun.com", "cn.pool.ntp.org"}));
    QCOMPARE(probe.ui()->comboBox_iplist->currentIndex(), 1);
    QCOMPARE(probe.serverHost(), QStringLiteral("ntp.aliyun.com"));
    QCOMPARE(probe.ui()->lineEdit_localport->text(), QStringLiteral("12345"));
    QCOMPARE(probe.ui()->lineEdit_objip->text(), QStringLiteral("255.255.255.255"));
    QCOMPARE(probe.ui()->lineEdit_objport->text(), QStringLiteral("12345"));
    QVERIFY(!probe.ui()->checkBox_pallet->isChecked());
    QVERIFY(!probe.ui()->checkBox_startrun->isChecked());
    QVERIFY(!probe.ui()->checkBox_start_run_ctl->isChecked());
}

void SettingsFileTest::emptyListIsSeededAgainKeepingKeys()
{
    QTemporaryDir dir;
    const QString iniPath = useLoopbackSettings(dir.path());
    MainWindow window;
    MainWindowProbe probe(window);

    loadInto(window, iniPath,
             "[mainWindow]\nlocalPort=1\nobjIp=127.0.0.1\nobjPort=2\nserverListCurrent=0\ntrayicon=true\n"
             "startrun=false\nstartrun_ctr=false\n[serverIplist]\nsize=0\n[other]\nkept=yes\n");

    QCOMPARE(itemTexts(probe.ui()->comboBox_iplist),
             (QStringList{"192.168.0.132", "ntp.aliyun.com", "cn.pool.ntp.org"}));
    QCOMPARE(probe.ui()->comboBox_iplist->currentIndex(), 1);
    QCOMPARE(probe.ui()->lineEdit_objip->text(), QStringLiteral("255.255.255.255"));
    QVERIFY(probe.ui()->checkBox_pallet->isChecked());
    QCOMPARE(readAll(iniPath),
             QByteArray("[mainWindow]\nlocalPort=12345\nobjIp=255.255.255.255\nobjPort=12345\n"
                        "serverListCurrent=1\nstartrun=false\nstartrun_ctr=false\ntrayicon=true\n\n"
                        "[other]\nkept=yes\n\n"
                        "[serverIplist]\n1\\serverList_0=192.168.0.132 1000 1000 0\n"
                        "2\\serverList_1=ntp.aliyun.com 1000 1000 0\n"
                        "3\\serverList_2=cn.pool.ntp.org 1000 1000 0\nsize=3\n"));
}

void SettingsFileTest::loadShowsStoredSelection_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("state");

    const QString plain = QStringLiteral("127.0.0.1 1000 1000 0");
    const QString stopped = QStringLiteral("127.0.0.2 30 60 3");
    const QStringList hosts{"127.0.0.1", "127.0.0.2"};
    QTest::newRow("second selected, state 0") << loopbackSettingsText({stopped, plain}, 1) << QStringList{"127.0.0.2", "127.0.0.1"} << 1 << 0;
    QTest::newRow("selected entry stopped by its limit") << loopbackSettingsText({plain, stopped}, 1) << hosts << 1 << 3;
    QTest::newRow("state 1 taken") << loopbackSettingsText({plain, "127.0.0.2 30 60 1"}, 1) << hosts << 1 << 1;
    QTest::newRow("current equal to count: first stays, no state")
        << loopbackSettingsText({stopped, plain}, 2) << QStringList{"127.0.0.2", "127.0.0.1"} << 0 << 0;
    QTest::newRow("current far beyond count") << loopbackSettingsText({stopped}, 99) << QStringList{"127.0.0.2"} << 0 << 0;
    QTest::newRow("negative current: nothing current, no state")
        << loopbackSettingsText({stopped, plain}, -1) << QStringList{"127.0.0.2", "127.0.0.1"} << -1 << 0;
    QTest::newRow("five fields give no state") << loopbackSettingsText({"127.0.0.2 30 60 3 x"}, 0) << QStringList{"127.0.0.2"} << 0 << 0;
    QTest::newRow("two spaces give no state") << loopbackSettingsText({"127.0.0.2  30 60 3"}, 0) << QStringList{"127.0.0.2"} << 0 << 0;
    QTest::newRow("three fields give no state") << loopbackSettingsText({"127.0.0.2 30 60"}, 0) << QStringList{"127.0.0.2"} << 0 << 0;
    QTest::newRow("non-numeric state reads 0") << loopbackSettingsText({"127.0.0.2 30 60 three"}, 0) << QStringList{"127.0.0.2"} << 0 << 0;
    QTest::newRow("negative state taken") << loopbackSettingsText({"127.0.0.2 30 60 -3"}, 0) << QStringList{"127.0.0.2"} << 0 << -3;
    QTest::newRow("bare host listed") << loopbackSettingsText({"localhost"}, 0) << QStringList{"localhost"} << 0 << 0;
    QTest::newRow("blank placeholder is not replaced by defaults") << loopbackSettingsText({""}, 0) << QStringList{""} << 0 << 0;
    QTest::newRow("current key absent reads 0")
        << QByteArray("[serverIplist]\n1\\serverList_0=127.0.0.2 30 60 3\n2\\serverList_1=127.0.0.1 1 1 0\nsize=2\n")
        << QStringList{"127.0.0.2", "127.0.0.1"} << 0 << 3;
}

void SettingsFileTest::loadShowsStoredSelection()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, items);
    QFETCH(int, current);
    QFETCH(int, state);
    QTemporaryDir dir;
    const QString iniPath = useLoopbackSettings(dir.path());
    MainWindow window;
    MainWindowProbe probe(window);

    loadInto(window, iniPath, text);

    QCOMPARE(itemTexts(probe.ui()->comboBox_iplist), items);
    QCOMPARE(probe.ui()->comboBox_iplist->currentIndex(), current);
    QCOMPARE(probe.entryState(), state);
    QCOMPARE(probe.ui()->label_syncinfo->text(), state == 3 ? limitStopText : formLabelText);
    QCOMPARE(probe.notSynced(), state == 3 ? 1 : 0);
}

void SettingsFileTest::loadFillsOptions()
{
    QTemporaryDir dir;
    const QString iniPath = useLoopbackSettings(dir.path());
    MainWindow window;
    MainWindowProbe probe(window);

    loadInto(window, iniPath,
             "[mainWindow]\nlocalPort=777\nobjIp=127.0.0.5\nobjPort=not a port\nserverListCurrent=0\n"
             "trayicon=true\nstartrun=true\nstartrun_ctr=true\n"
             "[serverIplist]\n1\\serverList_0=127.0.0.1 1000 1000 0\nsize=1\n");

    QVERIFY(probe.ui()->checkBox_pallet->isChecked());
    QVERIFY(probe.ui()->checkBox_startrun->isChecked());
    QVERIFY(probe.ui()->checkBox_start_run_ctl->isChecked());
    QCOMPARE(probe.ui()->lineEdit_localport->text(), QStringLiteral("777"));
    QCOMPARE(probe.ui()->lineEdit_objip->text(), QStringLiteral("127.0.0.5"));
    QCOMPARE(probe.ui()->lineEdit_objport->text(), QStringLiteral("not a port"));

    loadInto(window, iniPath, "[serverIplist]\n1\\serverList_0=127.0.0.1 1000 1000 0\nsize=1\n");
    QVERIFY(!probe.ui()->checkBox_pallet->isChecked());
    QVERIFY(!probe.ui()->checkBox_startrun->isChecked());
    QVERIFY(!probe.ui()->checkBox_start_run_ctl->isChecked());
    QCOMPARE(probe.ui()->lineEdit_objip->text(), QString());
}

void SettingsFileTest::saveWritesExactlyTheProgramsKeys()
{
    QTemporaryDir dir;
    const QString iniPath = useLoopbackSettings(dir.path());
    MainWindow window;
    MainWindowProbe probe(window);
    loadInto(window, iniPath,
             loopbackSettingsText({"127.0.0.1 1000 1000 0", "127.0.0.2  5 6 3"}, 0)
                 + "handWritten=1\n[mainWindow]\nunknown=2\n[extra]\nkey=3\n");

    probe.ui()->comboBox_iplist->setCurrentIndex(1);
    probe.ui()->checkBox_pallet->setChecked(true);
    probe.ui()->lineEdit_objport->setText(QStringLiteral("4321"));
    QVERIFY(probe.saveSettings());

    QCOMPARE(readAll(iniPath),
             QByteArray("[mainWindow]\nlocalPort=9527\nobjIp=127.0.0.1\nobjPort=4321\nserverListCurrent=1\n"
                        "startrun=false\nstartrun_ctr=false\ntrayicon=true\n\n"
                        "[serverIplist]\n1\\serverList_0=127.0.0.1 1000 1000 0\n"
                        "2\\serverList_1=127.0.0.2  5 6 3\nsize=2\n"));
}

void SettingsFileTest::roundTripRestoresWidgets_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QStringList>("fieldTexts");

    QTest::newRow("plain list") << QStringList{"127.0.0.1 1000 1000 0", "localhost 10 20 1"} << 1 << true
                                << QStringList{"9527", "127.0.0.1", "9"};
    QTest::newRow("blank placeholder only") << QStringList{""} << 0 << false << QStringList{"", "", ""};
    QTest::newRow("nothing current") << QStringList{"127.0.0.1 1 2 0"} << -1 << true
                                     << QStringList{"1", "127.0.0.1", "2"};
    QTest::newRow("entries INI must escape")
        << QStringList{"127.0.0.1  1 2 3", "x", "127.0.0.3 -1 abc 0 extra", "a,b 1 2 0", "\"q\" 1 2 0",
                       "中文主机 1 2 0", "semi;colon 1 2 0", "=eq 1 2 0", "back\\slash 1 2 0", " lead 1 2 0",
                       "#hash 1 2 0", "trail 1 2 0 ", "@Variant(x) 1 2 0", "[sec] 1 2 0"}
        << 5 << false << QStringList{" 1", "a=b;c", "#x, y"};
}

void SettingsFileTest::roundTripRestoresWidgets()
{
    QFETCH(QStringList, entries);
    QFETCH(int, current);
    QFETCH(bool, checked);
    QFETCH(QStringList, fieldTexts);
    QTemporaryDir dir;
    useLoopbackSettings(dir.path());
    ModalBoxCloser boxes; // the sync start refuses a list without a server with a box
    {
        MainWindow window;
        Ui::MainWindow *ui = MainWindowProbe(window).ui();
        ui->comboBox_iplist->clear();
        for (const QString &entry : entries)
            ui->comboBox_iplist->addItem(entry.section(QLatin1Char(' '), 0, 0), entry);
        ui->comboBox_iplist->setCurrentIndex(current);
        ui->checkBox_pallet->setChecked(checked);
        ui->checkBox_startrun->setChecked(!checked);
        ui->checkBox_start_run_ctl->setChecked(checked);
        ui->lineEdit_localport->setText(fieldTexts.at(0));
        ui->lineEdit_objip->setText(fieldTexts.at(1));
        ui->lineEdit_objport->setText(fieldTexts.at(2));
        QVERIFY(MainWindowProbe(window).saveSettings());
    }
    if (checked && fieldTexts.at(1) != QStringLiteral("127.0.0.1"))
        QFAIL("a row that starts the output must target loopback");

    MainWindow again;
    Ui::MainWindow *ui = MainWindowProbe(again).ui();
    QCOMPARE(itemEntries(ui->comboBox_iplist), entries);
    QStringList hosts;
    for (const QString &entry : entries)
        hosts << entry.section(QLatin1Char(' '), 0, 0);
    QCOMPARE(itemTexts(ui->comboBox_iplist), hosts);
    QCOMPARE(ui->comboBox_iplist->currentIndex(), current);
    QCOMPARE(ui->checkBox_pallet->isChecked(), checked);
    QCOMPARE(ui->checkBox_startrun->isChecked(), !checked);
    QCOMPARE(ui->checkBox_start_run_ctl->isChecked(), checked);
    QCOMPARE((QStringList{ui->lineEdit_localport->text(), ui->lineEdit_objip->text(), ui->lineEdit_objport->text()}),
             fieldTexts);
}

void SettingsFileTest::okConfirmsSave()
{
    QTemporaryDir dir;
    const QString iniPath = useLoopbackSettings(dir.path());
    MainWindow window;
    MainWindowProbe probe(window);
    window.show();
    probe.ui()->lineEdit_objport->setText(QStringLiteral("2468"));
    ModalBoxCloser boxes;

    probe.okClicked();

    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("提示！"));
    QCOMPARE(boxes.last().text, QStringLiteral("设置成功！"));
    QCOMPARE(boxes.last().icon, QMessageBox::Information);
    QCOMPARE(boxes.last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes.last().defaultButton, QMessageBox::Ok); // the toolkit makes the one accept button default
    QCOMPARE(boxes.last().parent.data(), static_cast<QWidget *>(&window));
    QVERIFY(readAll(iniPath).contains("objPort=2468\n"));
    QVERIFY(window.isVisible()); // no tray icon: the window stays
}

QTEST_MAIN(SettingsFileTest)
#include "tst_settings_file.moc"
