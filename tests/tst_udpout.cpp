// The time feed: the datagram's bytes, when it goes and where to, and the checks before it starts.
#include "helpers/support.h"
#include "udpout/outputtarget.h"
#include "udpout/sendschedule.h"
#include "udpout/timemessage_format.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

class TestUdpout : public QObject
{
    Q_OBJECT
private slots:
    void datagramItsMomentAndItsDestination()
    {
        const auto at = [](int msec) { return QDateTime(QDate(2026, 12, 6), QTime(23, 5, 9, msec)); };
        QCOMPARE(timemessage::datagram(timemessage::validityFor(0), at(999)),
                 QByteArray("$TIME,A,2026-12-06 23:05:09*(000ms start 00:00 end 00:00 Bri:0)"));
        QVERIFY(timemessage::validityFor(1) == "V," && timemessage::validityFor(7) == "A,");
        QVERIFY(!sendschedule::isBeforeBoundary(at(899)) && sendschedule::isBeforeBoundary(at(900)));
        QCOMPARE(outputtarget::destination("255.255.255.255"), QHostAddress(QHostAddress::Broadcast));
        QCOMPARE(outputtarget::destination("127.000.000.010"), QHostAddress("127.0.0.10"));
        QVERIFY(outputtarget::destination("127.0.0.1 ").isNull() && outputtarget::destination("256.0.0.1").isNull());
        QVERIFY(outputtarget::targetPort("0319") == 319 && outputtarget::targetPort("70000") == 0);
    }

    void checksBeforeTheStart()
    {
        // Target address, local port and target port, and the refusal (none when the output starts).
        const QStringList rows[] = {{"127.000.000.001", "0", "65535", ""},
                                    {"127.0.0.256", "1", "1", "错误|目标IP地址错误"},
                                    {"127.0.0.1 ", "1", "1", "错误|目标IP地址错误"},
                                    {"127.0.0.1", "-5", "1", "错误|本地端口格式不对"},
                                    {"127.0.0.1", "65536", "1", "错误|本地端口格式不对"},
                                    {"127.0.0.1", "1", "0", "错误|目标端口格式不对"},
                                    {"127.0.0.1", "1", "+5", "错误|目标端口格式不对"}};
        for (const QStringList &row : rows) {
            TestWindow t;
            t.ui()->lineEdit_objip->setText(row[0]);
            t.ui()->lineEdit_localport->setText(row[1]);
            t.ui()->lineEdit_objport->setText(row[2]);
            ModalBoxes boxes;
            t.ui()->pushButton_out->click();
            QCOMPARE(boxes.seen.join(""), row[3]);
            QCOMPARE(t.ui()->pushButton_out->text() + (t.outputTimer()->isActive() ? " on" : " off"),
                     row[3].isEmpty() ? "停止 on" : "输出 off");
        }
    }

    // To the limited broadcast address, inside the test's own network namespace where lo is all there
    // is; on, second after second, while a host name is looked up from a resolver that never answers.
    void eachSecondAsItBegins()
    {
        QUdpSocket display, resolver;
        QVERIFY(display.bind(QHostAddress::AnyIPv4) && resolver.bind(QHostAddress::LocalHost, 53));
        TestWindow t(iniText({"time.example 100 1000 0"}));
        t.ui()->lineEdit_objip->setText("255.255.255.255");
        t.ui()->lineEdit_objport->setText(QString::number(display.localPort()));
        QList<QPair<QDateTime, QByteArray>> received; // arrival, bytes
        connect(&display, &QUdpSocket::readyRead, this, [&] {
            received.append({QDateTime::currentDateTime(), display.receiveDatagram().data()});
            t.notSynced() = 0; // synchronised after the first datagram
            if (received.size() == 1)
                t.ui()->pushButton_sync->click();
        });
        const QDateTime started = QDateTime::currentDateTime();
        t.ui()->pushButton_out->click();
        // The first a full second after the start.
        QVERIFY(QTest::qWaitFor([&] { return received.size() == 3; }, 15000)
                && started.msecsTo(received[0].first) >= 1000);
        int early = 0; // arrived in the first part of their second; each for the second after the one before
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(received[i].second, timemessage::datagram(i ? "A," : "V,", received[0].first.addSecs(i)));
            early += received[i].first.time().msec() < 500;
        }
        QVERIFY2(early >= 2, "the datagrams go out long after their second begins");
        QCOMPARE(t.statusLabel()->text(), QStringLiteral("输出UDP监控 2次"));
        // A datagram that cannot leave is not counted, and the status line says why until one leaves again.
        t.ui()->lineEdit_objip->setText("192.0.2.1"); // no route to it in the test's own network
        QTRY_VERIFY_WITH_TIMEOUT(t.statusLabel()->text().startsWith("输出UDP监控失败："), 10000);
        t.ui()->lineEdit_objip->setText("255.255.255.255");
        QTRY_COMPARE_WITH_TIMEOUT(t.statusLabel()->text(), QStringLiteral("输出UDP监控 3次"), 10000);
    }
};

QTEST_MAIN(TestUdpout)
#include "tst_udpout.moc"
