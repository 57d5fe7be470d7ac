#include "gui/tst_udpout_window.h"
#include "helpers/mainwindowprobe.h"
#include "helpers/modalboxes.h"
#include "mainwindow/mainwindow.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

// The kernel's UDP counters of this network namespace: name -> value.
QMap<QString, qint64> udpCounters()
{
    QMap<QString, qint64> counters;
    QFile snmp(QStringLiteral("/proc/self/net/snmp"));
    if (!snmp.open(QIODevice::ReadOnly | QIODevice::Text))
        return counters;
    QStringList names;
    for (const QByteArray &line : snmp.readAll().split('\n')) {
        if (!line.startsWith("Udp: "))
            continue;
        const QStringList fields = QString::fromLatin1(line.mid(5)).split(QLatin1Char(' '));
        if (names.isEmpty()) {
            names = fields;
            continue;
        }
        for (int i = 0; i < names.size() && i < fields.size(); ++i)
            counters.insert(names.at(i), fields.at(i).toLongLong());
    }
    return counters;
}

} // namespace

// The output button, its field checks and the listener on the output socket.
class TestUdpoutControl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startChecks_data();
    void startChecks();
    void fieldChecks_data();
    void fieldChecks();
    void toggle();
    void toggleIgnoresOtherText();
    void listenerDrainsInOnePass();
    void listenerDrainsBurstWhileFeedRuns();

private:
    MainWindowProbe probe() { return MainWindowProbe(*window); }
    void fields(const QString &ip, const QString &localPort, const QString &targetPort);
    quint16 outputSocketPort();

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<UdpReceiver> receiver;
};

void TestUdpoutControl::initTestCase()
{
    QVERIFY(useOutputSettings(dir, OutputFields()));
}

void TestUdpoutControl::init()
{
    receiver = std::make_unique<UdpReceiver>();
    QVERIFY(receiver->isBound());
    window = windowAimedAt(*receiver);
}

void TestUdpoutControl::cleanup()
{
    receiver.reset();
    window.reset();
}

// setText, not typing: the field validators filter keys, but stored texts reach the fields whole.
void TestUdpoutControl::fields(const QString &ip, const QString &localPort, const QString &targetPort)
{
    probe().ui()->lineEdit_objip->setText(ip);
    probe().ui()->lineEdit_localport->setText(localPort);
    probe().ui()->lineEdit_objport->setText(targetPort);
}

void TestUdpoutControl::startChecks_data()
{
    const QString ip = QStringLiteral("目标IP地址错误");
    const QString local = QStringLiteral("本地端口格式不对");
    const QString target = QStringLiteral("目标端口格式不对");
    QTest::addColumn<QString>("objIp");
    QTest::addColumn<QString>("localPort");
    QTest::addColumn<QString>("objPort");
    QTest::addColumn<QString>("message");
    QTest::newRow("ip part above 255") << "192.168.0.256" << "12345" << "PORT" << ip;
    QTest::newRow("ip reported first") << "192.168.0.256" << "" << "" << ip;
    QTest::newRow("ip empty") << "" << "12345" << "PORT" << ip;
    QTest::newRow("ip trailing space") << "127.0.0.1 " << "12345" << "PORT" << ip;
    QTest::newRow("ip three parts") << "127.0.1" << "12345" << "PORT" << ip;
    QTest::newRow("local empty") << "127.0.0.1" << "" << "PORT" << local;
    QTest::newRow("local plus sign") << "127.0.0.1" << "+5" << "PORT" << local;
    QTest::newRow("local space") << "127.0.0.1" << " 1" << "PORT" << local;
    QTest::newRow("local 99999") << "127.0.0.1" << "99999" << "PORT" << local;
    QTest::newRow("local -5") << "127.0.0.1" << "-5" << "PORT" << local;
    QTest::newRow("local 70000") << "127.0.0.1" << "70000" << "PORT" << local;
    QTest::newRow("local reported before target") << "127.0.0.1" << "-5" << "" << local;
    QTest::newRow("target empty") << "127.0.0.1" << "12345" << "" << target;
    QTest::newRow("target plus sign") << "127.0.0.1" << "12345" << "+5" << target;
    QTest::newRow("target space") << "127.0.0.1" << "12345" << " 1" << target;
    QTest::newRow("target 99999") << "127.0.0.1" << "12345" << "99999" << target;
    QTest::newRow("target -5") << "127.0.0.1" << "12345" << "-5" << target;
    QTest::newRow("target 70000") << "127.0.0.1" << "12345" << "70000" << target;
    QTest::newRow("target 0") << "127.0.0.1" << "12345" << "0" << target;
    QTest::newRow("all valid") << "127.0.0.1" << "12345" << "PORT" << "";
    QTest::newRow("local 0 and 65535 bounds") << "127.000.000.001" << "0" << "PORT" << "";
    QTest::newRow("local 65535") << "127.0.0.1" << "65535" << "PORT" << "";
}

void TestUdpoutControl::startChecks()
{
    QFETCH(QString, objIp);
    QFETCH(QString, localPort);
    QFETCH(QString, objPort);
    QFETCH(QString, message);
    fields(objIp, localPort, objPort == QLatin1String("PORT") ? receiver->portText() : objPort);
    probe().statusLabel()->setText(QStringLiteral("before"));
    ModalBoxCloser boxes;
    probe().outputClicked();

    if (message.isEmpty()) {
        QCOMPARE(boxes.count(), 0);
        QVERIFY(probe().outputTimer()->isActive());
        QCOMPARE(probe().ui()->pushButton_out->text(), QStringLiteral("停止"));
        QCOMPARE(probe().statusLabel()->text(), QStringLiteral("开始输出UDP监控"));
        return;
    }
    QCOMPARE(boxes.count(), 1);
    const SeenBox box = boxes.last();
    QCOMPARE(box.title, QStringLiteral("错误"));
    QCOMPARE(box.text, message);
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.defaultButton, QMessageBox::NoButton);
    QCOMPARE(box.parent.data(), static_cast<QWidget *>(window.get()));
    QVERIFY(!probe().outputTimer()->isActive());
    QCOMPARE(probe().ui()->pushButton_out->text(), QStringLiteral("输出"));
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("before"));
    QCOMPARE(probe().ui()->lineEdit_objip->text(), objIp);
    QCOMPARE(probe().ui()->lineEdit_localport->text(), localPort);
}

void TestUdpoutControl::fieldChecks_data()
{
    QTest::addColumn<bool>("address");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("passes");
    QTest::newRow("address with leading zeros") << true << "192.168.000.001" << true;
    QTest::newRow("address 010") << true << "10.010.0.1" << true;
    QTest::newRow("address 256") << true << "192.168.0.256" << false;
    QTest::newRow("address trailing space") << true << "1.2.3.4 " << false;
    QTest::newRow("address leading space") << true << " 1.2.3.4" << false;
    QTest::newRow("address five parts") << true << "1.2.3.4.5" << false;
    QTest::newRow("number -5") << false << "-5" << true;
    QTest::newRow("number 99999") << false << "99999" << true;
    QTest::newRow("number 0") << false << "0" << true;
    QTest::newRow("number plus") << false << "+5" << false;
    QTest::newRow("number space") << false << " 1" << false;
    QTest::newRow("number empty") << false << "" << false;
    QTest::newRow("number minus only") << false << "-" << false;
}

void TestUdpoutControl::fieldChecks()
{
    QFETCH(bool, address);
    QFETCH(QString, text);
    QFETCH(bool, passes);
    const QString message = QStringLiteral("the check's own message");
    ModalBoxCloser boxes;
    const bool result = address ? probe().validateAddress(message, text) : probe().validateNumber(message, text);
    QCOMPARE(result, passes);
    QCOMPARE(boxes.count(), passes ? 0 : 1);
    if (!passes)
        QCOMPARE(boxes.last().text, message);
}

void TestUdpoutControl::toggle()
{
    QPushButton *button = probe().ui()->pushButton_out;
    QVERIFY(button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("输出"));
    QVERIFY(!probe().outputTimer()->isActive());

    button->click();
    QCOMPARE(button->text(), QStringLiteral("停止"));
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("开始输出UDP监控"));
    QVERIFY(probe().outputTimer()->isActive());
    QVERIFY(button->isEnabled());
    QVERIFY(probe().ui()->lineEdit_objip->isEnabled());
    QVERIFY(receiver->waitFor(1, 3000));

    button->click();
    QCOMPARE(button->text(), QStringLiteral("输出"));
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("停止输出UDP监控"));
    QVERIFY(!probe().outputTimer()->isActive());

    button->click();
    QCOMPARE(button->text(), QStringLiteral("停止"));
    QVERIFY(receiver->waitFor(2, 3000));
    QCOMPARE(probe().statusLabel()->text(), QStringLiteral("输出UDP监控 1次"));
}

void TestUdpoutControl::toggleIgnoresOtherText()
{
    probe().ui()->pushButton_out->setText(QStringLiteral("其他"));
    ModalBoxCloser boxes;
    probe().outputClicked();
    QVERIFY(!probe().outputTimer()->isActive());
    QCOMPARE(probe().ui()->pushButton_out->text(), QStringLiteral("其他"));
    QCOMPARE(boxes.count(), 0);
}

// The socket gets its port from the first send; only then can anything reach it.
quint16 TestUdpoutControl::outputSocketPort()
{
    probe().udpSendSyncMsg();
    if (!receiver->waitFor(1, 2000))
        return 0;
    return probe().udpSocket()->localPort();
}

void TestUdpoutControl::listenerDrainsInOnePass()
{
    const quint16 port = outputSocketPort();
    QVERIFY(port != 0);
    DebugLineRecorder debug;
    // Loopback queues each datagram at the socket before the send returns: all 20 wait together.
    QUdpSocket sender;
    for (int i = 0; i < 20; ++i)
        QCOMPARE(sender.writeDatagram(QByteArray(100 + i, 'x'), QHostAddress::LocalHost, port), qint64(100 + i));
    QTRY_VERIFY_WITH_TIMEOUT(debug.lines().contains(QStringLiteral("revdatas")), 2000);
    QTest::qWait(200);
    QCOMPARE(debug.lines().count(QStringLiteral("revdatas")), 1);
    QVERIFY(!probe().udpSocket()->hasPendingDatagrams());
}

void TestUdpoutControl::listenerDrainsBurstWhileFeedRuns()
{
    const quint16 port = outputSocketPort();
    QVERIFY(port != 0);
    receiver->received.clear();
    probe().startOutput();
    const QMap<QString, qint64> before = udpCounters();

    // Bursts paced so that the kernel's receive buffer of the output socket can hold each one.
    const int bursts = 40;
    const int perBurst = 100;
    QUdpSocket sender;
    DebugLineRecorder debug;
    for (int b = 0; b < bursts; ++b) {
        for (int i = 0; i < perBurst; ++i)
            QCOMPARE(sender.writeDatagram(QByteArray(32, 'r'), QHostAddress::LocalHost, port), qint64(32));
        receiver->waitFor(receiver->received.size() + 1, 75);
    }
    QVERIFY(receiver->waitFor(3, 4000));
    QTRY_VERIFY_WITH_TIMEOUT(!probe().udpSocket()->hasPendingDatagrams(), 2000);

    const QMap<QString, qint64> after = udpCounters();
    if (!before.isEmpty()) {
        QCOMPARE(after.value(QStringLiteral("RcvbufErrors")) - before.value(QStringLiteral("RcvbufErrors")), qint64(0));
        QVERIFY(after.value(QStringLiteral("InDatagrams")) - before.value(QStringLiteral("InDatagrams")) >= bursts * perBurst);
    }
    // Read in passes, not one datagram per signal.
    const int passes = debug.lines().count(QStringLiteral("revdatas"));
    QVERIFY2(passes >= 1 && passes < bursts * perBurst / 10, qPrintable(QString::number(passes)));
    // The feed kept its pace meanwhile: consecutive seconds.
    for (int i = 1; i < receiver->received.size(); ++i)
        QCOMPARE(timeIn(receiver->received.at(i).bytes), timeIn(receiver->received.at(i - 1).bytes).addSecs(1));
}

QTEST_MAIN(TestUdpoutControl)
#include "tst_udpout_control.moc"
