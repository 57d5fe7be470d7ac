#include "gui/tst_udpout_window.h"
#include "helpers/mainwindowprobe.h"
#include "mainwindow/mainwindow.h"

#include <QNetworkInterface>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

namespace {

// Only inside a namespace of our own, where lo is the one interface, may a test broadcast.
bool onlyLoopbackPresent()
{
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        if (!interface.flags().testFlag(QNetworkInterface::IsLoopBack))
            return false;
    }
    return true;
}

} // namespace

// The time feed as a display device sees it: real datagrams caught on 127.0.0.1.
class TestUdpoutFeed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstDatagramAfterOneSecond();
    void validityFollowsFlag_data();
    void validityFollowsFlag();
    void validityChangesAtNextDatagram();
    void destinationAndPort_data();
    void destinationAndPort();
    void portOutsideRangeSendsNothing_data();
    void portOutsideRangeSendsNothing();
    void destinationChangesAtNextDatagram();
    void countContinuesAcrossStopAndStart();
    void consecutiveSecondsEachWhileCurrent();
    void stopDuringPendingSendReallyStops();
    void broadcastInsideOwnNamespace();
    void noSendReturnLineOnUnicast();

private:
    MainWindowProbe probe() { return MainWindowProbe(*window); }
    void target(const QString &ip, const QString &port);
    void startFeed();

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<UdpReceiver> receiver;
};

void TestUdpoutFeed::initTestCase()
{
    QVERIFY(useOutputSettings(dir, OutputFields()));
}

void TestUdpoutFeed::init()
{
    receiver = std::make_unique<UdpReceiver>();
    QVERIFY(receiver->isBound());
    window = windowAimedAt(*receiver);
}

void TestUdpoutFeed::cleanup()
{
    receiver.reset();
    window.reset();
}

void TestUdpoutFeed::target(const QString &ip, const QString &port)
{
    probe().ui()->lineEdit_objip->setText(ip);
    probe().ui()->lineEdit_objport->setText(port);
}

void TestUdpoutFeed::startFeed()
{
    probe().startOutput();
    QCOMPARE(probe().ui()->pushButton_out->text(), QStringLiteral("停止"));
}

void TestUdpoutFeed::firstDatagramAfterOneSecond()
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    startFeed();
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("开始输出UDP监控"));
    QVERIFY(receiver->waitFor(1, 3000));
    QVERIFY2(sinceStart.elapsed() >= 1000, qPrintable(QString::number(sinceStart.elapsed())));

    const QByteArray bytes = receiver->received.first().bytes;
    QCOMPARE(bytes.size(), 63);
    const QRegularExpression layout(QStringLiteral(
        "^\\$TIME,V,\\d{4}-(0[1-9]|1[0-2])-(0[1-9]|[12]\\d|3[01]) ([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d"
        "\\*\\(000ms start 00:00 end 00:00 Bri:0\\)$"));
    QVERIFY2(layout.match(QString::fromLatin1(bytes)).hasMatch(), bytes.constData());
    QCOMPARE(timeIn(bytes), secondOf(receiver->received.first().at));
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("输出UDP监控 0次"));
    QCOMPARE(probe().outputCount(), quint64(1));
}

void TestUdpoutFeed::validityFollowsFlag_data()
{
    QTest::addColumn<qint32>("notSynced");
    QTest::addColumn<QByteArray>("validity");
    QTest::newRow("not synchronised") << 1 << QByteArray("V,");
    QTest::newRow("synchronised") << 0 << QByteArray("A,");
    QTest::newRow("any other value") << 7 << QByteArray("A,");
}

void TestUdpoutFeed::validityFollowsFlag()
{
    QFETCH(qint32, notSynced);
    QFETCH(QByteArray, validity);
    QCOMPARE(probe().validityField(), QStringLiteral("V,"));
    probe().notSynced() = notSynced;
    probe().udpSendSyncMsg();
    QVERIFY(receiver->waitFor(1, 2000));
    QCOMPARE(receiver->received.first().bytes.mid(6, 2), validity);
    QCOMPARE(probe().validityField(), QString::fromLatin1(validity));
}

void TestUdpoutFeed::validityChangesAtNextDatagram()
{
    QCOMPARE(probe().notSynced(), 1);
    startFeed();
    QVERIFY(receiver->waitFor(1, 3000));
    QCOMPARE(receiver->received.at(0).bytes.mid(6, 2), QByteArray("V,"));
    probe().notSynced() = 0; // a reply has set the clock
    QVERIFY(receiver->waitFor(2, 2000));
    QCOMPARE(receiver->received.at(1).bytes.mid(6, 2), QByteArray("A,"));
    probe().notSynced() = 1; // the sync failed
    QVERIFY(receiver->waitFor(3, 2000));
    QCOMPARE(receiver->received.at(2).bytes.mid(6, 2), QByteArray("V,"));
}

void TestUdpoutFeed::destinationAndPort_data()
{
    QTest::addColumn<QString>("bindAddress");
    QTest::addColumn<QString>("ipText");
    QTest::addColumn<QString>("portPrefix");
    QTest::newRow("plain") << "127.0.0.1" << "127.0.0.1" << "";
    QTest::newRow("port with leading zero") << "127.0.0.1" << "127.0.0.1" << "0";
    QTest::newRow("address with leading zeros") << "127.0.0.1" << "127.000.000.001" << "";
    QTest::newRow("010 is ten, not eight") << "127.0.0.10" << "127.0.0.010" << "";
    QTest::newRow("other loopback address") << "127.0.0.2" << "127.0.0.2" << "00";
}

void TestUdpoutFeed::destinationAndPort()
{
    QFETCH(QString, bindAddress);
    QFETCH(QString, ipText);
    QFETCH(QString, portPrefix);
    UdpReceiver device{QHostAddress(bindAddress)};
    QVERIFY(device.isBound());
    target(ipText, portPrefix + device.portText());
    probe().udpSendSyncMsg();
    QVERIFY(device.waitFor(1, 2000));
    QCOMPARE(device.received.first().bytes.size(), 63);
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("输出UDP监控 0次"));
}

void TestUdpoutFeed::portOutsideRangeSendsNothing_data()
{
    QTest::addColumn<QString>("portText");
    QTest::addColumn<quint16>("lowBits");
    QTest::newRow("70000 would be 4464") << "70000" << quint16(4464);
    QTest::newRow("-1 would be 65535") << "-1" << quint16(65535);
    QTest::newRow("65536 would be 0") << "65536" << quint16(0);
}

// A field edited while the feed runs: the send is skipped, the count goes on.
void TestUdpoutFeed::portOutsideRangeSendsNothing()
{
    QFETCH(QString, portText);
    QFETCH(quint16, lowBits);
    std::unique_ptr<UdpReceiver> wrapped;
    if (lowBits != 0) {
        wrapped = std::make_unique<UdpReceiver>(QHostAddress(QHostAddress::LocalHost), lowBits);
        QVERIFY(wrapped->isBound());
    }
    startFeed();
    QVERIFY(receiver->waitFor(1, 3000));
    probe().ui()->lineEdit_objport->setText(portText);
    QTRY_COMPARE_WITH_TIMEOUT(probe().outputCount(), quint64(3), 3000);
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("输出UDP监控 2次"));
    QCOMPARE(receiver->received.size(), 1);
    if (wrapped)
        QVERIFY(!wrapped->waitFor(1, 300));
}

void TestUdpoutFeed::destinationChangesAtNextDatagram()
{
    UdpReceiver otherPort;
    UdpReceiver otherAddress{QHostAddress(QStringLiteral("127.0.0.2"))};
    QVERIFY(otherPort.isBound() && otherAddress.isBound());
    startFeed();
    QVERIFY(receiver->waitFor(1, 3000));
    probe().ui()->lineEdit_objport->setText(otherPort.portText());
    QVERIFY(otherPort.waitFor(1, 2000));
    probe().ui()->lineEdit_objip->setText(QStringLiteral("127.0.0.2"));
    probe().ui()->lineEdit_objport->setText(otherAddress.portText());
    QVERIFY(otherAddress.waitFor(1, 2000));
    QCOMPARE(receiver->received.size(), 1);
    QCOMPARE(otherPort.received.size(), 1);
    QCOMPARE(timeIn(otherAddress.received.first().bytes), timeIn(otherPort.received.first().bytes).addSecs(1));
}

void TestUdpoutFeed::countContinuesAcrossStopAndStart()
{
    startFeed();
    QVERIFY(receiver->waitFor(2, 4000));
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("输出UDP监控 1次"));
    probe().stopOutput();
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("停止输出UDP监控"));
    QCOMPARE(probe().ui()->pushButton_out->text(), QStringLiteral("输出"));
    QCOMPARE(probe().outputCount(), quint64(2));
    startFeed();
    QVERIFY(receiver->waitFor(3, 3000));
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("输出UDP监控 2次"));
    QCOMPARE(probe().outputCount(), quint64(3));
}

void TestUdpoutFeed::consecutiveSecondsEachWhileCurrent()
{
    startFeed();
    QVERIFY(receiver->waitFor(4, 6000));
    for (int i = 0; i < receiver->received.size(); ++i) {
        const ReceivedDatagram &datagram = receiver->received.at(i);
        QCOMPARE(timeIn(datagram.bytes), secondOf(datagram.at));
        if (i > 0)
            QCOMPARE(timeIn(datagram.bytes), timeIn(receiver->received.at(i - 1).bytes).addSecs(1));
    }
    QVERIFY(probe().outputTimer()->isActive());
}

void TestUdpoutFeed::stopDuringPendingSendReallyStops()
{
    startFeed();
    QVERIFY(receiver->waitFor(1, 3000));
    probe().stopOutput();
    // A timeout already on its way when the stop came must not bring the timer back.
    probe().udpSendSyncMsg();
    QVERIFY(!probe().outputTimer()->isActive());
    QCOMPARE(receiver->waitFor(3, 2500), false);
    QCOMPARE(receiver->received.size(), 2);
    QCOMPARE(probe().outputCount(), quint64(2));
}

void TestUdpoutFeed::broadcastInsideOwnNamespace()
{
    if (!onlyLoopbackPresent())
        QSKIP("broadcast is only tried in a network namespace of the test's own (tests/netns-run.sh)");
    // A route for the limited broadcast inside this namespace, so that it comes back over lo.
    QProcess route;
    route.start(QStringLiteral("ip"), {QStringLiteral("route"), QStringLiteral("replace"),
                                       QStringLiteral("255.255.255.255/32"), QStringLiteral("dev"), QStringLiteral("lo")});
    QVERIFY(route.waitForFinished(5000));
    QCOMPARE(route.exitCode(), 0);

    UdpReceiver device{QHostAddress(QHostAddress::AnyIPv4)};
    QVERIFY(device.isBound());
    target(QStringLiteral("255.255.255.255"), device.portText());
    DebugLineRecorder debug;
    probe().udpSendSyncMsg();
    QVERIFY(device.waitFor(1, 2000));
    QCOMPARE(device.received.first().bytes.size(), 63);
    QVERIFY2(debug.lines().contains(QStringLiteral("send return 63")), qPrintable(debug.lines().join('|')));
}

void TestUdpoutFeed::noSendReturnLineOnUnicast()
{
    DebugLineRecorder debug;
    probe().udpSendSyncMsg();
    QVERIFY(receiver->waitFor(1, 2000));
    for (const QString &line : debug.lines())
        QVERIFY2(!line.startsWith(QStringLiteral("send return")), qPrintable(line));
}

QTEST_MAIN(TestUdpoutFeed)
#include "tst_udpout_feed.moc"
