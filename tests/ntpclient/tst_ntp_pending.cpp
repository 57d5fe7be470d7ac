// The table of requests waiting for a reply: matching, age and size bounds.
#include "pendingrequests.h"

#include <QtTest>

using Clock = PendingRequests::Clock;

namespace {

const Clock::time_point kStart{};
const std::chrono::system_clock::time_point kSent{};

} // namespace

class TestNtpPending : public QObject
{
    Q_OBJECT
private slots:
    void matchesKeyAndSource_data();
    void matchesKeyAndSource();
    void forgetsAnsweredRequest();
    void expiresAfterLifetime();
    void dropsOldestWhenFull();
};

void TestNtpPending::matchesKeyAndSource_data()
{
    QTest::addColumn<QString>("sentTo");
    QTest::addColumn<quint64>("key");
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("sourcePort");
    QTest::addColumn<bool>("found");
    QTest::newRow("same") << "127.0.0.1" << quint64(7) << "127.0.0.1" << 123 << true;
    QTest::newRow("IPv4-mapped source") << "127.0.0.1" << quint64(7) << "::ffff:127.0.0.1" << 123 << true;
    QTest::newRow("sent to IPv4-mapped") << "::ffff:127.0.0.1" << quint64(7) << "127.0.0.1" << 123 << true;
    QTest::newRow("IPv6") << "::1" << quint64(7) << "::1" << 123 << true;
    QTest::newRow("other key") << "127.0.0.1" << quint64(8) << "127.0.0.1" << 123 << false;
    QTest::newRow("other port") << "127.0.0.1" << quint64(7) << "127.0.0.1" << 124 << false;
    QTest::newRow("other address") << "127.0.0.1" << quint64(7) << "127.0.0.2" << 123 << false;
    QTest::newRow("IPv6 for IPv4") << "127.0.0.1" << quint64(7) << "::1" << 123 << false;
}

void TestNtpPending::matchesKeyAndSource()
{
    QFETCH(QString, sentTo);
    QFETCH(quint64, key);
    QFETCH(QString, source);
    QFETCH(int, sourcePort);
    QFETCH(bool, found);
    PendingRequests pending;
    pending.add(7, QHostAddress(sentTo), 123, kSent, kStart);
    const auto request = pending.find(key, QHostAddress(source), quint16(sourcePort), kStart);
    QCOMPARE(bool(request), found);
    if (found) {
        QCOMPARE(request->key, quint64(7));
        QCOMPARE(request->address, QHostAddress(sentTo));
        QCOMPARE(int(request->port), 123);
    }
}

void TestNtpPending::forgetsAnsweredRequest()
{
    PendingRequests pending;
    const QHostAddress server(QHostAddress::LocalHost);
    pending.add(1, server, 123, kSent, kStart);
    pending.add(2, server, 123, kSent, kStart);
    pending.forget(1);
    QVERIFY(!pending.find(1, server, 123, kStart));
    QVERIFY(pending.find(2, server, 123, kStart));
    QCOMPARE(int(pending.size()), 1);
}

void TestNtpPending::expiresAfterLifetime()
{
    using std::chrono::seconds;
    PendingRequests pending(8, seconds(30));
    const QHostAddress server(QHostAddress::LocalHost);
    pending.add(1, server, 123, kSent, kStart);
    pending.add(2, server, 123, kSent, kStart + seconds(10));
    QVERIFY(pending.find(1, server, 123, kStart + seconds(29)));
    QVERIFY(!pending.find(1, server, 123, kStart + seconds(30)));
    QCOMPARE(int(pending.size()), 1);
    QVERIFY(pending.find(2, server, 123, kStart + seconds(39)));
    QVERIFY(!pending.find(2, server, 123, kStart + seconds(40)));
    QCOMPARE(int(pending.size()), 0);
}

void TestNtpPending::dropsOldestWhenFull()
{
    PendingRequests pending(4, std::chrono::seconds(30));
    const QHostAddress server(QHostAddress::LocalHost);
    for (quint64 key = 1; key <= 1000; ++key)
        pending.add(key, server, 123, kSent, kStart);
    QCOMPARE(int(pending.size()), 4);
    QVERIFY(!pending.find(996, server, 123, kStart));
    for (quint64 key = 997; key <= 1000; ++key)
        QVERIFY(pending.find(key, server, 123, kStart));
}

QTEST_GUILESS_MAIN(TestNtpPending)
#include "tst_ntp_pending.moc"
