// The server entry format and the selection slot that copies the chosen entry into the window.
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"
#include "sync/serverentry.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class ServerListSelectionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void splitKeepsEveryPart_data();
    void splitKeepsEveryPart();
    void secondsFromSignedReading_data();
    void secondsFromSignedReading();

    void selectionCopiesEntry_data();
    void selectionCopiesEntry();
    void userChoiceRunsSelection();
    void placeholderSelectsNothing();

private:
    void markPreviousServer();
    QTemporaryDir settingsDir;
    std::unique_ptr<MainWindow> window;
};

void ServerListSelectionTest::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    useLoopbackSettings(settingsDir.path());
    window = std::make_unique<MainWindow>();
}

void ServerListSelectionTest::cleanupTestCase()
{
    window.reset();
}

void ServerListSelectionTest::init()
{
    MainWindowProbe(*window).ui()->comboBox_iplist->clear();
    markPreviousServer();
}

// Values that no entry of the rows produces, so an untouched field is visible.
void ServerListSelectionTest::markPreviousServer()
{
    MainWindowProbe probe(*window);
    probe.serverHost() = QStringLiteral("previous.host");
    probe.ntpVersion() = 9;
    probe.ntpPort() = 9999;
    probe.syncLimit() = 77;
    probe.syncPeriod() = 88;
    probe.entryState() = 5;
    probe.ui()->lineEdit_limit->setText(QStringLiteral("77"));
    probe.ui()->lineEdit_cyc->setText(QStringLiteral("88"));
}

void ServerListSelectionTest::splitKeepsEveryPart_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("four fields") << "127.0.0.1 1000 1000 0" << QStringList{"127.0.0.1", "1000", "1000", "0"};
    QTest::newRow("two spaces after host")
        << "127.0.0.1  1000 1000 0" << QStringList{"127.0.0.1", "", "1000", "1000", "0"};
    QTest::newRow("trailing space") << "a 1 2 0 " << QStringList{"a", "1", "2", "0", ""};
    QTest::newRow("empty placeholder") << "" << QStringList{""};
    QTest::newRow("tab is not a separator") << "a\t1 2 0" << QStringList{"a\t1", "2", "0"};
}

void ServerListSelectionTest::splitKeepsEveryPart()
{
    QFETCH(QString, entry);
    QFETCH(QStringList, fields);
    QCOMPARE(entryFields(entry), fields);
}

void ServerListSelectionTest::secondsFromSignedReading_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<quint32>("seconds");
    QTest::newRow("plain") << "1000" << 1000 << 1000u;
    QTest::newRow("zero") << "0" << 0 << 0u;
    QTest::newRow("negative") << "-5" << -5 << 4294967291u;
    QTest::newRow("minus one") << "-1" << -1 << 4294967295u;
    QTest::newRow("not a number") << "abc" << 0 << 0u;
    QTest::newRow("empty") << "" << 0 << 0u;
    QTest::newRow("digits then letters") << "12x" << 0 << 0u;
    QTest::newRow("hex is not decimal") << "0x10" << 0 << 0u;
    QTest::newRow("beyond signed range") << "4294967295" << 0 << 0u;
}

void ServerListSelectionTest::secondsFromSignedReading()
{
    QFETCH(QString, field);
    QFETCH(qint32, number);
    QFETCH(quint32, seconds);
    QCOMPARE(fieldNumber(field), number);
    QCOMPARE(fieldSeconds(field), seconds);
}

void ServerListSelectionTest::selectionCopiesEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("limitText");
    QTest::addColumn<QString>("periodText");
    QTest::addColumn<quint32>("limit");
    QTest::addColumn<quint32>("period");

    QTest::newRow("four fields") << "127.0.0.2 30 60 3" << true << "127.0.0.2" << "30" << "60" << 30u << 60u;
    QTest::newRow("two spaces: limit empty, period shifts")
        << "127.0.0.2  1000 1000 0" << true << "127.0.0.2" << "" << "1000" << 0u << 1000u;
    QTest::newRow("fifth word ignored")
        << "localhost 5 6 0 extra" << true << "localhost" << "5" << "6" << 5u << 6u;
    QTest::newRow("negative numbers")
        << "127.0.0.3 -1 -1000 0" << true << "127.0.0.3" << "-1" << "-1000" << 4294967295u << 4294966296u;
    QTest::newRow("non-numeric numbers")
        << "127.0.0.4 soon never 0" << true << "127.0.0.4" << "soon" << "never" << 0u << 0u;
    QTest::newRow("three fields ignored") << "127.0.0.5 1000 1000" << false << "" << "" << "" << 0u << 0u;
    QTest::newRow("bare host ignored") << "127.0.0.6" << false << "" << "" << "" << 0u << 0u;
    QTest::newRow("empty entry ignored") << "" << false << "" << "" << "" << 0u << 0u;
}

void ServerListSelectionTest::selectionCopiesEntry()
{
    QFETCH(QString, entry);
    QFETCH(bool, taken);
    MainWindowProbe probe(*window);
    QComboBox *list = probe.ui()->comboBox_iplist;
    list->blockSignals(true);
    list->addItem(entryFields(entry).at(0), entry);
    list->blockSignals(false);

    probe.selectEntry(0);

    if (taken) {
        QFETCH(QString, host);
        QFETCH(QString, limitText);
        QFETCH(QString, periodText);
        QFETCH(quint32, limit);
        QFETCH(quint32, period);
        QCOMPARE(probe.serverHost(), host);
        QCOMPARE(probe.ui()->lineEdit_limit->text(), limitText);
        QCOMPARE(probe.ui()->lineEdit_cyc->text(), periodText);
        QCOMPARE(probe.syncLimit(), limit);
        QCOMPARE(probe.syncPeriod(), period);
        QCOMPARE(int(probe.ntpVersion()), 4);
        QCOMPARE(int(probe.ntpPort()), 123);
    } else {
        QCOMPARE(probe.serverHost(), QStringLiteral("previous.host"));
        QCOMPARE(probe.ui()->lineEdit_limit->text(), QStringLiteral("77"));
        QCOMPARE(probe.ui()->lineEdit_cyc->text(), QStringLiteral("88"));
        QCOMPARE(probe.syncLimit(), 77u);
        QCOMPARE(probe.syncPeriod(), 88u);
        QCOMPARE(int(probe.ntpVersion()), 9);
        QCOMPARE(int(probe.ntpPort()), 9999);
    }
    // The state is one value for the window; choosing an entry never reads it.
    QCOMPARE(probe.entryState(), 5);
}

void ServerListSelectionTest::userChoiceRunsSelection()
{
    MainWindowProbe probe(*window);
    QComboBox *list = probe.ui()->comboBox_iplist;
    list->addItem(QStringLiteral("127.0.0.7"), QStringLiteral("127.0.0.7 11 12 0"));
    QCOMPARE(probe.serverHost(), QStringLiteral("127.0.0.7")); // the first item becomes current
    list->addItem(QStringLiteral("127.0.0.8"), QStringLiteral("127.0.0.8 21 22 1"));
    QCOMPARE(probe.serverHost(), QStringLiteral("127.0.0.7"));

    list->setCurrentIndex(1);
    QCOMPARE(probe.serverHost(), QStringLiteral("127.0.0.8"));
    QCOMPARE(probe.syncLimit(), 21u);
    QCOMPARE(probe.syncPeriod(), 22u);
    QCOMPARE(probe.ui()->lineEdit_cyc->text(), QStringLiteral("22"));
}

void ServerListSelectionTest::placeholderSelectsNothing()
{
    MainWindowProbe probe(*window);
    QComboBox *list = probe.ui()->comboBox_iplist;
    list->addItem(QStringLiteral("127.0.0.9"), QStringLiteral("127.0.0.9 31 32 0"));
    // Deleting the last entry blanks the item instead of removing it.
    list->setItemText(0, QString());
    list->setItemData(0, QString(), Qt::UserRole);
    markPreviousServer();

    probe.selectEntry(0);
    probe.selectEntry(-1);
    probe.selectEntry(5);

    QCOMPARE(list->count(), 1);
    QCOMPARE(probe.serverHost(), QStringLiteral("previous.host"));
    QCOMPARE(probe.syncPeriod(), 88u);
    QCOMPARE(probe.ui()->lineEdit_limit->text(), QStringLiteral("77"));
}

QTEST_MAIN(ServerListSelectionTest)
#include "tst_serverlist_selection.moc"
