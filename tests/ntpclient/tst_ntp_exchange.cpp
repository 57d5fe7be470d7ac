// The client against a fake server over loopback: measured offsets, every
// rejection rule with a crafted datagram, duplicates, and the bound on requests.
#include "fixtures/fakentpserver.h"
#include "ntpclient.h"
#include "pendingrequests.h"
#include "replylog.h"

#include <QtTest>

using Fault = FakeNtpServer::Fault;

namespace {

constexpr int kWaitMs = 2000;
constexpr int kQuietMs = 300;
constexpr int kSamples = 5;

QDateTime utcFields(const QDateTime &time)
{
    return QDateTime(time.date(), time.time(), Qt::UTC);
}

quint64 requestKey(const QByteArray &request)
{
    quint64 key = 0;
    for (int i = 40; i < 48; ++i)
        key = (key << 8) | quint8(request[i]);
    return key;
}

} // namespace

class TestNtpExchange : public QObject
{
    Q_OBJECT
private slots:
    void requestOnTheWire();
    void measuresServerOffset_data();
    void measuresServerOffset();
    void reachesServer_data();
    void reachesServer();
    void rejectsCraftedReply_data();
    void rejectsCraftedReply();
    void answersEachRequestOnce_data();
    void answersEachRequestOnce();
    void floodOfRequestsStaysBounded();
};

void TestNtpExchange::requestOnTheWire()
{
    FakeNtpServer server;
    server.setFault(Fault::Silent);
    NtpClient client;
    QVERIFY(client.sendRequest(4, server.address(), server.port()));
    QVERIFY(client.sendRequest(3, server.address(), server.port()));
    QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(), 2, kWaitMs);
    const QByteArray first = server.requests().at(0).data;
    const QByteArray second = server.requests().at(1).data;
    QCOMPARE(first.size(), 48);
    QCOMPARE(int(quint8(first[0])), 0x23);  // LI 0, VN 4, mode 3
    QCOMPARE(int(quint8(second[0])), 0x1b); // LI 0, VN 3, mode 3
    QCOMPARE(first.mid(1, 39), QByteArray(39, '\0'));
    QVERIFY(requestKey(first) != requestKey(second));
    // The key must not give the local clock away.
    const quint64 nowSeconds = quint64(QDateTime::currentSecsSinceEpoch()) + 2208988800u;
    const qint64 distance = qint64(quint32(requestKey(first) >> 32) - quint32(nowSeconds));
    QVERIFY2(qAbs(distance) > 3600, "transmit timestamp looks like the local clock");
}

void TestNtpExchange::measuresServerOffset_data()
{
    QTest::addColumn<qint64>("offsetMs");
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<int>("trailingBytes");
    QTest::newRow("ahead 37 s") << qint64(37000) << 0 << 0;
    QTest::newRow("behind 5 s") << qint64(-5000) << 0 << 0;
    QTest::newRow("same time") << qint64(0) << 0 << 0;
    QTest::newRow("ahead 37 s, held 200 ms") << qint64(37000) << 200 << 0;
    QTest::newRow("behind 5 s, with MAC") << qint64(-5000) << 0 << 20;
    QTest::newRow("same time, extension field and MAC") << qint64(0) << 0 << 52;
}

void TestNtpExchange::measuresServerOffset()
{
    QFETCH(qint64, offsetMs);
    QFETCH(int, holdMs);
    QFETCH(int, trailingBytes);
    FakeNtpServer server;
    QVERIFY(server.isListening());
    server.setClockOffsetMs(offsetMs);
    server.setHoldMs(holdMs);
    server.setTrailingBytes(trailingBytes);
    NtpClient client;
    ReplyLog log(client);

    // Like a real client, trust the exchange with the least delay: the machine may
    // be busy and stall one leg of an exchange, which skews that sample.
    int best = -1;
    QDateTime bestExpectedUtc;
    for (int i = 0; i < kSamples; ++i) {
        QVERIFY(client.sendRequest(4, server.address(), server.port()));
        QCOMPARE(log.count(), i); // never from inside sendRequest
        QVERIFY(log.waitFor(i + 1, kWaitMs));
        const QDateTime expectedUtc = QDateTime::currentDateTimeUtc().addMSecs(offsetMs);
        const NtpReply &reply = log.at(i).reply;
        QCOMPARE(log.at(i).address, server.address());
        QCOMPARE(log.at(i).port, server.port());
        QVERIFY(reply.roundTripDelay() >= 0);
        // Whatever the path, the error of a sample is at most half its delay.
        QVERIFY2(qAbs(reply.localClockOffset() - offsetMs) <= reply.roundTripDelay() / 2 + 1,
                 qPrintable(QString("offset %1, delay %2").arg(reply.localClockOffset()).arg(reply.roundTripDelay())));
        if (best < 0 || reply.roundTripDelay() < log.at(best).reply.roundTripDelay()) {
            best = i;
            bestExpectedUtc = expectedUtc;
        }
    }
    const NtpReply reply = log.at(best).reply;
    qInfo("offset %lld ms, delay %lld ms", reply.localClockOffset(), reply.roundTripDelay());
    QVERIFY2(qAbs(reply.localClockOffset() - offsetMs) <= 2,
             qPrintable(QString::number(reply.localClockOffset())));
    // The server's holding time is not part of the delay.
    QVERIFY2(reply.roundTripDelay() < 50, qPrintable(QString::number(reply.roundTripDelay())));

    // Dispose time: the server's clock at reception, as fields 8 hours ahead of UTC.
    const QDateTime dispose = utcFields(reply.disposeTime()).addSecs(-8 * 3600);
    const qint64 lagMs = dispose.msecsTo(bestExpectedUtc);
    QVERIFY2(lagMs >= -3 && lagMs < 200, qPrintable(QString::number(lagMs)));
}

void TestNtpExchange::reachesServer_data()
{
    QTest::addColumn<QString>("serverAddress");
    QTest::addColumn<QString>("requestAddress");
    QTest::newRow("IPv4") << "127.0.0.1" << "127.0.0.1";
    QTest::newRow("IPv4 as IPv4-mapped IPv6") << "127.0.0.1" << "::ffff:127.0.0.1";
    QTest::newRow("IPv6") << "::1" << "::1";
}

void TestNtpExchange::reachesServer()
{
    QFETCH(QString, serverAddress);
    QFETCH(QString, requestAddress);
    FakeNtpServer server(0, QHostAddress(serverAddress));
    QVERIFY2(server.isListening(), qPrintable("cannot listen on " + serverAddress));
    server.setClockOffsetMs(1234);
    NtpClient client;
    ReplyLog log(client);
    QVERIFY(client.sendRequest(4, QHostAddress(requestAddress), server.port()));
    QVERIFY(log.waitFor(1, kWaitMs));
    QCOMPARE(log.at(0).address, QHostAddress(requestAddress));
    const NtpReply &reply = log.at(0).reply;
    QVERIFY(qAbs(reply.localClockOffset() - 1234) <= reply.roundTripDelay() / 2 + 1);
}

void TestNtpExchange::rejectsCraftedReply_data()
{
    QTest::addColumn<Fault>("fault");
    // A rejected datagram leaves the request open, so the genuine answer that
    // follows is still taken; a kiss-o'-death closes it.
    QTest::addColumn<bool>("stillOpen");
    QTest::newRow("mode 5") << Fault::WrongMode << true;
    QTest::newRow("version 0") << Fault::VersionZero << true;
    QTest::newRow("version 5") << Fault::VersionFive << true;
    QTest::newRow("leap indicator 3") << Fault::LeapAlarm << true;
    QTest::newRow("stratum 16") << Fault::StratumSixteen << true;
    QTest::newRow("transmit timestamp 0") << Fault::ZeroTransmit << true;
    QTest::newRow("wrong origin") << Fault::WrongOrigin << true;
    QTest::newRow("47 bytes") << Fault::ShortPacket << true;
    QTest::newRow("from another port") << Fault::OtherPort << true;
    QTest::newRow("from another address") << Fault::OtherAddress << true;
    QTest::newRow("kiss-o'-death") << Fault::KissOfDeath << false;
}

void TestNtpExchange::rejectsCraftedReply()
{
    QFETCH(Fault, fault);
    QFETCH(bool, stillOpen);
    FakeNtpServer server;
    server.setFault(fault);
    server.setKissCode("RATE");
    NtpClient client;
    ReplyLog log(client);
    if (fault == Fault::KissOfDeath)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("kiss-o'-death RATE from .*127\\.0\\.0\\.1:"));

    QVERIFY(client.sendRequest(4, server.address(), server.port()));
    QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(), 1, kWaitMs);
    QVERIFY(log.countStaysAt(0, kQuietMs));

    server.answer(0, Fault::None);
    if (stillOpen)
        QVERIFY(log.waitFor(1, kWaitMs));
    QVERIFY(log.countStaysAt(stillOpen ? 1 : 0, kQuietMs));
}

void TestNtpExchange::answersEachRequestOnce_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("replays");
    QTest::newRow("duplicate datagram") << Fault::Duplicate << 0;
    QTest::newRow("answer replayed later") << Fault::None << 3;
}

void TestNtpExchange::answersEachRequestOnce()
{
    QFETCH(Fault, fault);
    QFETCH(int, replays);
    FakeNtpServer server;
    server.setFault(fault);
    NtpClient client;
    ReplyLog log(client);
    QVERIFY(client.sendRequest(4, server.address(), server.port()));
    QVERIFY(log.waitFor(1, kWaitMs));
    for (int i = 0; i < replays; ++i)
        server.answer(0);
    QVERIFY(log.countStaysAt(1, kQuietMs));
}

void TestNtpExchange::floodOfRequestsStaysBounded()
{
    const int capacity = int(PendingRequests::kDefaultCapacity);
    const int flood = 4 * capacity;
    FakeNtpServer server;
    server.setFault(Fault::Silent);
    NtpClient client;
    ReplyLog log(client);
    for (int i = 0; i < flood; ++i)
        QVERIFY(client.sendRequest(4, server.address(), server.port()));
    QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(), flood, kWaitMs);

    // Only the newest `capacity` requests are still remembered.
    server.answer(0);
    server.answer(flood - capacity - 1);
    QVERIFY(log.countStaysAt(0, kQuietMs));
    server.answer(flood - capacity);
    server.answer(flood - 1);
    QVERIFY(log.waitFor(2, kWaitMs));
    QVERIFY(log.countStaysAt(2, kQuietMs));
}

QTEST_GUILESS_MAIN(TestNtpExchange)
#include "tst_ntp_exchange.moc"
