#include "gui/tst_udpout_window.h"
#include "helpers/modalboxes.h"

#include <QtTest>

#include <memory>

// "开机监控": the feed starts with the window from the saved fields, or is refused with the box.
class TestUdpoutLaunch : public QObject
{
    Q_OBJECT

private slots:
    void startAtLaunch_data();
    void startAtLaunch();
};

void TestUdpoutLaunch::startAtLaunch_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("objIp");
    QTest::addColumn<QString>("localPort");
    QTest::addColumn<QString>("objPort");
    QTest::addColumn<QString>("message");
    QTest::newRow("ticked, valid fields") << true << "127.0.0.1" << "12345" << "PORT" << "";
    QTest::newRow("ticked, address with leading zeros") << true << "127.000.000.001" << "0" << "PORT" << "";
    QTest::newRow("not ticked") << false << "127.0.0.1" << "12345" << "PORT" << "";
    QTest::newRow("ticked, bad address") << true << "192.168.0.256" << "12345" << "PORT" << "目标IP地址错误";
    QTest::newRow("ticked, address with trailing space") << true << "127.0.0.1 " << "12345" << "PORT"
                                                         << "目标IP地址错误";
    QTest::newRow("ticked, local port -5") << true << "127.0.0.1" << "-5" << "PORT" << "本地端口格式不对";
    QTest::newRow("ticked, target port 70000") << true << "127.0.0.1" << "12345" << "70000" << "目标端口格式不对";
    QTest::newRow("ticked, empty target port") << true << "127.0.0.1" << "12345" << "" << "目标端口格式不对";
}

void TestUdpoutLaunch::startAtLaunch()
{
    QFETCH(bool, ticked);
    QFETCH(QString, objIp);
    QFETCH(QString, localPort);
    QFETCH(QString, objPort);
    QFETCH(QString, message);
    UdpReceiver receiver;
    QVERIFY(receiver.isBound());
    OutputFields saved;
    saved.objIp = objIp;
    saved.localPort = localPort;
    saved.objPort = objPort == QLatin1String("PORT") ? receiver.portText() : objPort;
    saved.startAtLaunch = ticked;
    QTemporaryDir dir;
    QVERIFY(useOutputSettings(dir, saved));

    ModalBoxCloser boxes;
    MainWindow window;
    MainWindowProbe probe(window);
    QCOMPARE(probe.ui()->checkBox_start_run_ctl->isChecked(), ticked);
    // Stored texts are loaded as they stand; only the start refuses them.
    QCOMPARE(probe.ui()->lineEdit_objip->text(), saved.objIp);
    QCOMPARE(probe.ui()->lineEdit_objport->text(), saved.objPort);

    const bool runs = ticked && message.isEmpty();
    QCOMPARE(probe.outputTimer()->isActive(), runs);
    QCOMPARE(probe.ui()->pushButton_out->text(), runs ? QStringLiteral("停止") : QStringLiteral("输出"));
    if (message.isEmpty()) {
        QCOMPARE(boxes.count(), 0);
    } else {
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().title, QStringLiteral("错误"));
        QCOMPARE(boxes.last().text, message);
    }
    QCOMPARE(receiver.waitFor(1, 2500), runs);
}

QTEST_MAIN(TestUdpoutLaunch)
#include "tst_udpout_launch.moc"
