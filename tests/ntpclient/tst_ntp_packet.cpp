// The packet codec and the timestamp arithmetic, against values worked out by hand.
#include "ntppacket.h"

#include <QtTest>

using ntppacket::Timestamp;
using ntppacket::Verdict;

Q_DECLARE_METATYPE(ntppacket::Timestamp)
Q_DECLARE_METATYPE(ntppacket::Verdict)

namespace {

constexpr Timestamp kKey = 0x0123456789abcdefULL;

// Seconds and 1/2^32 fractions of an NTP timestamp, era dropped.
constexpr Timestamp ts(quint32 seconds, quint32 fraction)
{
    return (Timestamp(seconds) << 32) | fraction;
}

QByteArray replyBytes(quint8 first, quint8 stratum, Timestamp origin, Timestamp transmit)
{
    QByteArray packet(48, '\0');
    packet[0] = char(first);
    packet[1] = char(stratum);
    packet.replace(12, 4, "RATE");
    for (int i = 0; i < 8; ++i) {
        packet[24 + i] = char(origin >> (56 - 8 * i));
        packet[32 + i] = char(0x11 * (i + 1));
        packet[40 + i] = char(transmit >> (56 - 8 * i));
    }
    return packet;
}

const quint8 *bytes(const QByteArray &data)
{
    return reinterpret_cast<const quint8 *>(data.constData());
}

} // namespace

class TestNtpPacket : public QObject
{
    Q_OBJECT
private slots:
    void requestLayout_data();
    void requestLayout();
    void parseReadsHeaderFields();
    void parseLength_data();
    void parseLength();
    void checkRules_data();
    void checkRules();
    void difference_data();
    void difference();
    void measureOffsetAndDelay_data();
    void measureOffsetAndDelay();
    void roundingToMs_data();
    void roundingToMs();
    void systemTimeToNtp_data();
    void systemTimeToNtp();
};

void TestNtpPacket::requestLayout_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("firstByte");
    QTest::newRow("version 4") << 4 << 0x23;
    QTest::newRow("version 3") << 3 << 0x1b;
    QTest::newRow("version 1") << 1 << 0x0b;
}

void TestNtpPacket::requestLayout()
{
    QFETCH(int, version);
    QFETCH(int, firstByte);
    const ntppacket::Request request = ntppacket::encodeRequest(quint8(version), kKey);
    QCOMPARE(int(request.size()), 48);
    QCOMPARE(int(request[0]), firstByte);
    for (int i = 1; i < 40; ++i)
        QVERIFY2(request[size_t(i)] == 0, qPrintable(QString("byte %1 not zero").arg(i)));
    const quint8 key[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(request[size_t(40 + i)], key[i]);
}

void TestNtpPacket::parseReadsHeaderFields()
{
    const QByteArray packet = replyBytes(0x5c, 3, kKey, ts(0xe9a1b2c3, 0x80000000)); // LI 1, VN 3, mode 4
    const auto reply = ntppacket::parseReply(bytes(packet), size_t(packet.size()));
    QVERIFY(reply);
    QCOMPARE(int(reply->leap), 1);
    QCOMPARE(int(reply->version), 3);
    QCOMPARE(int(reply->mode), 4);
    QCOMPARE(int(reply->stratum), 3);
    QCOMPARE(QByteArray(reply->referenceId.data(), 4), QByteArray("RATE"));
    QCOMPARE(reply->origin, kKey);
    QCOMPARE(reply->receive, Timestamp(0x1122334455667788ULL));
    QCOMPARE(reply->transmit, ts(0xe9a1b2c3, 0x80000000));
}

void TestNtpPacket::parseLength_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("parsed");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("one short") << 47 << false;
    QTest::newRow("header only") << 48 << true;
    QTest::newRow("with MAC") << 68 << true;
    QTest::newRow("with extension field and MAC") << 96 << true;
}

void TestNtpPacket::parseLength()
{
    QFETCH(int, length);
    QFETCH(bool, parsed);
    QByteArray packet = replyBytes(0x24, 2, kKey, ts(1, 0));
    packet = packet.leftJustified(length, '\xff', true);
    QCOMPARE(bool(ntppacket::parseReply(bytes(packet), size_t(packet.size()))), parsed);
    QCOMPARE(ntppacket::isAcceptedReply(bytes(packet), size_t(packet.size()), kKey), parsed);
}

void TestNtpPacket::checkRules_data()
{
    QTest::addColumn<int>("firstByte");
    QTest::addColumn<int>("stratum");
    QTest::addColumn<Timestamp>("origin");
    QTest::addColumn<Timestamp>("transmit");
    QTest::addColumn<Verdict>("verdict");
    const Timestamp t = ts(0xe9a1b2c3, 1);
    QTest::newRow("good v4") << 0x24 << 2 << kKey << t << Verdict::Accepted;
    QTest::newRow("good v1") << 0x0c << 2 << kKey << t << Verdict::Accepted;
    QTest::newRow("leap warning") << 0x64 << 2 << kKey << t << Verdict::Accepted;
    QTest::newRow("stratum 1") << 0x24 << 1 << kKey << t << Verdict::Accepted;
    QTest::newRow("stratum 15") << 0x24 << 15 << kKey << t << Verdict::Accepted;
    QTest::newRow("mode 3") << 0x23 << 2 << kKey << t << Verdict::WrongMode;
    QTest::newRow("mode 5") << 0x25 << 2 << kKey << t << Verdict::WrongMode;
    QTest::newRow("version 0") << 0x04 << 2 << kKey << t << Verdict::BadVersion;
    QTest::newRow("version 5") << 0x2c << 2 << kKey << t << Verdict::BadVersion;
    QTest::newRow("leap 3") << 0xe4 << 2 << kKey << t << Verdict::LeapAlarm;
    QTest::newRow("stratum 0") << 0x24 << 0 << kKey << t << Verdict::KissOfDeath;
    QTest::newRow("stratum 0, leap 3") << 0xe4 << 0 << kKey << t << Verdict::KissOfDeath;
    QTest::newRow("stratum 16") << 0x24 << 16 << kKey << t << Verdict::BadStratum;
    QTest::newRow("stratum 255") << 0x24 << 255 << kKey << t << Verdict::BadStratum;
    QTest::newRow("transmit 0") << 0x24 << 2 << kKey << Timestamp(0) << Verdict::ZeroTransmit;
    QTest::newRow("origin off by one") << 0x24 << 2 << (kKey ^ 1) << t << Verdict::WrongOrigin;
    QTest::newRow("origin 0") << 0x24 << 2 << Timestamp(0) << t << Verdict::WrongOrigin;
}

void TestNtpPacket::checkRules()
{
    QFETCH(int, firstByte);
    QFETCH(int, stratum);
    QFETCH(Timestamp, origin);
    QFETCH(Timestamp, transmit);
    QFETCH(Verdict, verdict);
    const QByteArray packet = replyBytes(quint8(firstByte), quint8(stratum), origin, transmit);
    const auto reply = ntppacket::parseReply(bytes(packet), size_t(packet.size()));
    QVERIFY(reply);
    QCOMPARE(ntppacket::checkReply(*reply, kKey), verdict);
    QCOMPARE(ntppacket::isAcceptedReply(bytes(packet), size_t(packet.size()), kKey),
             verdict == Verdict::Accepted);
}

void TestNtpPacket::difference_data()
{
    QTest::addColumn<Timestamp>("a");
    QTest::addColumn<Timestamp>("b");
    QTest::addColumn<qint64>("ns");
    QTest::newRow("1.5 s later") << ts(10, 0x80000000) << ts(9, 0) << qint64(1500000000);
    QTest::newRow("1.5 s earlier") << ts(9, 0) << ts(10, 0x80000000) << qint64(-1500000000);
    QTest::newRow("over the 2036 rollover")
        << ts(0, 0x80000000) << ts(0xffffffff, 0) << qint64(1500000000);
    QTest::newRow("back over the 2036 rollover")
        << ts(0xffffffff, 0) << ts(0, 0x80000000) << qint64(-1500000000);
    QTest::newRow("smallest step rounds to 0 ns") << ts(0, 1) << ts(0, 0) << qint64(0);
    QTest::newRow("quarter second") << ts(0, 0x40000000) << ts(0, 0) << qint64(250000000);
    QTest::newRow("2^31 - 1 s ahead")
        << ts(0x7fffffff, 0) << ts(0, 0) << qint64(2147483647000000000);
    QTest::newRow("2^31 s reads as behind")
        << ts(0x80000000, 0) << ts(0, 0) << qint64(-2147483647000000000) - 1000000000;
}

void TestNtpPacket::difference()
{
    QFETCH(Timestamp, a);
    QFETCH(Timestamp, b);
    QFETCH(qint64, ns);
    QCOMPARE(qint64(ntppacket::differenceNs(a, b)), ns);
}

void TestNtpPacket::measureOffsetAndDelay_data()
{
    QTest::addColumn<Timestamp>("t1");
    QTest::addColumn<Timestamp>("t2");
    QTest::addColumn<Timestamp>("t3");
    QTest::addColumn<Timestamp>("t4");
    QTest::addColumn<qint64>("offsetNs");
    QTest::addColumn<qint64>("delayNs");
    // 2024: server 37 s ahead, 10 ms each way, 1 ms in the server.
    // t1 = 3918117600.000, t2 = t1 + 37.010, t3 = t2 + 0.001, t4 = t1 + 0.021.
    QTest::newRow("37 s ahead")
        << ts(3918117600u, 0) << ts(3918117637u, 0x028f5c29) << ts(3918117637u, 0x02d0e560)
        << ts(3918117600u, 0x05604189) << qint64(37000000000) << qint64(20000000);
    // Local clock at the end of era 0, server in era 1:
    // t1 = -1.0, t2 = +0.5, t3 = +0.625, t4 = -0.625 around 2036-02-07 06:28:16 UTC.
    // offset = (1.5 + 1.25) / 2 = 1.375 s, delay = 0.375 - 0.125 = 0.25 s.
    QTest::newRow("server already in era 1")
        << ts(0xffffffff, 0) << ts(0, 0x80000000) << ts(0, 0xa0000000) << ts(0xffffffff, 0x60000000)
        << qint64(1375000000) << qint64(250000000);
    // Local clock in era 1, server still in era 0:
    // t1 = +1.0, t2 = -2.0, t3 = -1.75, t4 = +1.5.
    // offset = (-3.0 + -3.25) / 2 = -3.125 s, delay = 0.5 - 0.25 = 0.25 s.
    QTest::newRow("server still in era 0")
        << ts(1, 0) << ts(0xfffffffe, 0) << ts(0xfffffffe, 0x40000000) << ts(1, 0x80000000)
        << qint64(-3125000000) << qint64(250000000);
    // Both sides cross the rollover during the exchange; clocks agree.
    QTest::newRow("exchange spans the rollover")
        << ts(0xffffffff, 0xc0000000) << ts(0xffffffff, 0xe0000000) << ts(0, 0x20000000)
        << ts(0, 0x40000000) << qint64(0) << qint64(250000000);
}

void TestNtpPacket::measureOffsetAndDelay()
{
    QFETCH(Timestamp, t1);
    QFETCH(Timestamp, t2);
    QFETCH(Timestamp, t3);
    QFETCH(Timestamp, t4);
    QFETCH(qint64, offsetNs);
    QFETCH(qint64, delayNs);
    const ntppacket::Measurement m = ntppacket::measure(t1, t2, t3, t4);
    // One 2^-32 s step of rounding per timestamp is allowed.
    QVERIFY2(qAbs(m.offsetNs - offsetNs) <= 2, qPrintable(QString::number(m.offsetNs)));
    QVERIFY2(qAbs(m.delayNs - delayNs) <= 2, qPrintable(QString::number(m.delayNs)));
}

void TestNtpPacket::roundingToMs_data()
{
    QTest::addColumn<qint64>("ns");
    QTest::addColumn<qint64>("ms");
    QTest::newRow("zero") << qint64(0) << qint64(0);
    QTest::newRow("just under half") << qint64(1499999) << qint64(1);
    QTest::newRow("half goes up") << qint64(1500000) << qint64(2);
    QTest::newRow("negative just under half") << qint64(-1499999) << qint64(-1);
    QTest::newRow("negative half goes down") << qint64(-1500000) << qint64(-2);
    QTest::newRow("37 s") << qint64(37000000000) << qint64(37000);
    QTest::newRow("-5 s and a bit") << qint64(-5000400000) << qint64(-5000);
}

void TestNtpPacket::roundingToMs()
{
    QFETCH(qint64, ns);
    QFETCH(qint64, ms);
    QCOMPARE(qint64(ntppacket::roundToMs(ns)), ms);
}

void TestNtpPacket::systemTimeToNtp_data()
{
    QTest::addColumn<qint64>("unixMs");
    QTest::addColumn<Timestamp>("ntp");
    QTest::newRow("1970-01-01") << qint64(0) << ts(2208988800u, 0);
    QTest::newRow("1970-01-01 + 0.5 s") << qint64(500) << ts(2208988800u, 0x80000000);
    QTest::newRow("last quarter second of era 0")
        << qint64(2085978495250) << ts(0xffffffff, 0x40000000);
    QTest::newRow("first instant of era 1") << qint64(2085978496000) << ts(0, 0);
    QTest::newRow("era 1 + 1.75 s") << qint64(2085978497750) << ts(1, 0xc0000000);
}

void TestNtpPacket::systemTimeToNtp()
{
    QFETCH(qint64, unixMs);
    QFETCH(Timestamp, ntp);
    const std::chrono::system_clock::time_point time{std::chrono::milliseconds(unixMs)};
    QCOMPARE(ntppacket::fromSystemTime(time), ntp);
}

QTEST_GUILESS_MAIN(TestNtpPacket)
#include "tst_ntp_packet.moc"
