#include "udpout/outputtarget.h"
#include "udpout/sendschedule.h"
#include "udpout/timemessage_format.h"

#include <QtTest>

// The pure parts of the time feed: the datagram bytes, the destination rule and the send schedule.
class TestUdpoutFormat : public QObject
{
    Q_OBJECT

private slots:
    void datagramBytes_data();
    void datagramBytes();
    void datagramIsAscii();
    void validity_data();
    void validity();
    void destination_data();
    void destination();
    void portRange_data();
    void portRange();
    void schedule_data();
    void schedule();
};

void TestUdpoutFormat::datagramBytes_data()
{
    QTest::addColumn<QString>("validity");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("synchronised") << "A," << QDateTime(QDate(2026, 12, 6), QTime(10, 25, 31, 999))
                                  << QByteArray("$TIME,A,2026-12-06 10:25:31*(000ms start 00:00 end 00:00 Bri:0)");
    QTest::newRow("not synchronised, midnight")
        << "V," << QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0))
        << QByteArray("$TIME,V,2027-01-01 00:00:00*(000ms start 00:00 end 00:00 Bri:0)");
    QTest::newRow("afternoon, 24-hour clock")
        << "A," << QDateTime(QDate(2030, 2, 28), QTime(23, 59, 59, 500))
        << QByteArray("$TIME,A,2030-02-28 23:59:59*(000ms start 00:00 end 00:00 Bri:0)");
}

void TestUdpoutFormat::datagramBytes()
{
    QFETCH(QString, validity);
    QFETCH(QDateTime, time);
    QFETCH(QByteArray, expected);
    const QByteArray bytes = timemessage::datagram(validity, time);
    QCOMPARE(bytes, expected);
    QCOMPARE(bytes.size(), 63);
}

void TestUdpoutFormat::datagramIsAscii()
{
    const QByteArray bytes = timemessage::datagram(QStringLiteral("V,"), QDateTime::currentDateTime());
    QCOMPARE(bytes.size(), 63);
    for (const char byte : bytes)
        QVERIFY2(byte >= 0x20 && byte < 0x7f, bytes.constData());
}

void TestUdpoutFormat::validity_data()
{
    QTest::addColumn<qint32>("notSynced");
    QTest::addColumn<QString>("expected");
    QTest::newRow("not synchronised") << 1 << "V,";
    QTest::newRow("synchronised") << 0 << "A,";
    QTest::newRow("other value") << 2 << "A,";
    QTest::newRow("negative") << -1 << "A,";
}

void TestUdpoutFormat::validity()
{
    QFETCH(qint32, notSynced);
    QFETCH(QString, expected);
    QCOMPARE(timemessage::validityFor(notSynced), expected);
}

void TestUdpoutFormat::destination_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("broadcast");
    QTest::newRow("limited broadcast") << "255.255.255.255" << "255.255.255.255" << true;
    QTest::newRow("unicast 5.255.255.255") << "5.255.255.255" << "5.255.255.255" << false;
    QTest::newRow("unicast 255.255.255.2") << "255.255.255.2" << "255.255.255.2" << false;
    QTest::newRow("plain") << "192.168.0.135" << "192.168.0.135" << false;
    QTest::newRow("leading zeros are decimal") << "192.168.000.001" << "192.168.0.1" << false;
    QTest::newRow("010 is ten") << "10.010.0.1" << "10.10.0.1" << false;
    QTest::newRow("08 is eight") << "08.1.1.1" << "8.1.1.1" << false;
    QTest::newRow("trailing space") << "1.2.3.4 " << "" << false;
    QTest::newRow("broadcast with space") << "255.255.255.255 " << "" << false;
    QTest::newRow("three parts") << "1.2.3" << "" << false;
    QTest::newRow("empty") << "" << "" << false;
}

void TestUdpoutFormat::destination()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(bool, broadcast);
    const QHostAddress address = outputtarget::destination(text);
    QCOMPARE(address.toString(), expected);
    QCOMPARE(address.isNull(), expected.isEmpty());
    if (broadcast)
        QCOMPARE(address, QHostAddress(QHostAddress::Broadcast));
    QCOMPARE(outputtarget::isLimitedBroadcast(text), broadcast);
}

void TestUdpoutFormat::portRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("localOk");
    QTest::addColumn<quint16>("targetPort");
    QTest::newRow("319") << "319" << true << quint16(319);
    QTest::newRow("leading zero") << "0319" << true << quint16(319);
    QTest::newRow("0") << "0" << true << quint16(0);
    QTest::newRow("1") << "1" << true << quint16(1);
    QTest::newRow("65535") << "65535" << true << quint16(65535);
    QTest::newRow("65536") << "65536" << false << quint16(0);
    QTest::newRow("70000, not 4464") << "70000" << false << quint16(0);
    QTest::newRow("99999") << "99999" << false << quint16(0);
    QTest::newRow("-1, not 65535") << "-1" << false << quint16(0);
    QTest::newRow("-5") << "-5" << false << quint16(0);
    QTest::newRow("beyond 32 bits") << "4294967615" << false << quint16(0);
    QTest::newRow("plus sign") << "+5" << false << quint16(0);
    QTest::newRow("space") << " 1" << false << quint16(0);
    QTest::newRow("empty") << "" << false << quint16(0);
    QTest::newRow("letters") << "12a" << false << quint16(0);
}

void TestUdpoutFormat::portRange()
{
    QFETCH(QString, text);
    QFETCH(bool, localOk);
    QFETCH(quint16, targetPort);
    QCOMPARE(outputtarget::portInRange(text, 0), localOk);
    QCOMPARE(outputtarget::portInRange(text, 1), targetPort != 0);
    QCOMPARE(outputtarget::targetPort(text), targetPort);
}

void TestUdpoutFormat::schedule_data()
{
    const int m = sendschedule::marginMsec;
    QTest::addColumn<int>("msec");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("next");
    QTest::addColumn<bool>("early");
    QTest::newRow("on the boundary") << 0 << 1000 + m << 1000 + m << false;
    QTest::newRow("just after it") << m << 2000 << 1000 << false;
    QTest::newRow("mid-second") << 300 << 1700 + m << 700 + m << false;
    QTest::newRow("late in the second") << 899 << 1101 + m << 101 + m << false;
    QTest::newRow("just before the boundary") << 900 << 1100 + m << 100 + m << true;
    QTest::newRow("last millisecond") << 999 << 1001 + m << 1 + m << true;
}

void TestUdpoutFormat::schedule()
{
    QFETCH(int, msec);
    QFETCH(int, first);
    QFETCH(int, next);
    QFETCH(bool, early);
    const QDateTime now(QDate(2026, 12, 6), QTime(10, 25, 31, msec));
    QCOMPARE(sendschedule::msecToFirstSend(now), first);
    QCOMPARE(sendschedule::msecToNextSend(now), next);
    QCOMPARE(sendschedule::isBeforeBoundary(now), early);
    // Wherever a send lands, it lands just after a boundary, at least one second after the start.
    QCOMPARE((msec + sendschedule::msecToNextSend(now)) % 1000, sendschedule::marginMsec);
    QCOMPARE((msec + sendschedule::msecToFirstSend(now)) % 1000, sendschedule::marginMsec);
    QVERIFY(sendschedule::msecToFirstSend(now) >= 1000);
}

QTEST_APPLESS_MAIN(TestUdpoutFormat)
#include "tst_udpout_format.moc"
