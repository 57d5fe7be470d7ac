// The NTP client library: the codec against values worked out by hand, and the client against a
// fake server on loopback: the offset it measures and every answer it must refuse.
#include "helpers/support.h"
#include "pendingrequests.h"
#include "serverholds.h"
#include "settime/offsetargument.h"

using namespace std::chrono_literals;
using ntppacket::Timestamp;

class TestNtpClient : public QObject
{
    Q_OBJECT
private slots:
    void codec()
    {
        const auto ts = [](quint32 seconds, quint32 fraction) { return Timestamp(seconds) << 32 | fraction; };
        // t1 sent, t2 received by the server, t3 sent by it, t4 received; then offset and delay in ns
        for (auto [t1, t2, t3, t4, offset, delay] :
             {// 2024, the server 37 s ahead, 10 ms each way and 1 ms inside the server
              std::tuple<Timestamp, Timestamp, Timestamp, Timestamp, qint64, qint64>{
                  ts(3918117600u, 0), ts(3918117637u, 0x028f5c29), ts(3918117637u, 0x02d0e560),
                  ts(3918117600u, 0x05604189), 37000000000, 20000000},
              // this clock at the end of the era that ends in 2036, the server already in the next
              {ts(0xffffffff, 0), ts(0, 0x80000000), ts(0, 0xa0000000), ts(0xffffffff, 0x60000000), 1375000000,
               250000000},
              // this clock in the new era, the server still in the old one
              {ts(1, 0), ts(0xfffffffe, 0), ts(0xfffffffe, 0x40000000), ts(1, 0x80000000), -3125000000, 250000000}}) {
            const ntppacket::Measurement m = ntppacket::measure(t1, t2, t3, t4);
            QVERIFY2(qAbs(m.offsetNs - offset) <= 2 && qAbs(m.delayNs - delay) <= 2,
                     qPrintable(QString::number(m.offsetNs)));
        }
        QCOMPARE(qint64(ntppacket::differenceNs(ts(0x7fffffff, 0), 0)), 2147483647000000000);
        // A request leaves in the middle of its send (1.5 ms), or sooner where the reply, less the server's 1 ms
        // with it, came back within the send.
        const Timestamp sent = ts(100, 0), ms = 0x418937; // 1 ms in 32.32
        QCOMPARE(ntppacket::departure(sent, sent + 3 * ms, ts(200, 0), ts(200, 0) + ms, sent + 9 * ms) - sent,
                 3 * ms / 2);
        QCOMPARE(ntppacket::departure(sent, sent + 3 * ms, ts(200, 0), ts(200, 0) + ms, sent + 2 * ms) - sent, ms / 2);
        QVERIFY(ntppacket::roundToMs(1499999) == 1 && ntppacket::roundToMs(1500000) == 2
                && ntppacket::roundToMs(-1500000) == -2);
        for (auto [unixMs, ntp] :
             {std::pair<qint64, Timestamp>{500, ts(2208988800u, 0x80000000)}, {2085978497750, ts(1, 0xc0000000)}})
            QCOMPARE(
                ntppacket::fromSystemTime(std::chrono::system_clock::time_point(std::chrono::milliseconds(unixMs))),
                ntp);
        // The offset the set-time helper takes: a whole number, within the limit either way; what it refuses
        // beyond that, its fuzz target shows.
        const qint64 limit = offsetargument::kLimitNs;
        for (auto [text, value] : {std::pair<QByteArray, qint64>{"-1", -1},
                                   {QByteArray::number(limit), limit},
                                   {QByteArray::number(-limit), -limit}})
            QVERIFY2(offsetargument::parse(text.constData()) == value, text);
        QVERIFY(!offsetargument::parse("") && !offsetargument::parse("-"));
    }

    // Where the kernel stamps arrivals (Linux), the reply waits 200 ms in the socket before it is read: the
    // offset and the delay are still those of its arrival.
    void measuresServerOffset()
    {
        const qint64 offsetMs = 37000;
        FakeNtpServer server;
        server.offsetMs = offsetMs;
        NtpClient client;
        QSignalSpy replies(&client, &NtpClient::replyReceived);
        QVERIFY(client.sendRequest(4, QHostAddress::LocalHost, server.socket.localPort()) && replies.isEmpty()
                && server.socket.waitForReadyRead(10000));
        server.serve();
        const bool stamped = QSysInfo::kernelType() == "linux"; // elsewhere read at once, with the delay it took
        if (stamped)
            QThread::msleep(200);
        QVERIFY(replies.wait(10000));
        const auto reply = replies[0][2].value<NtpReply>();
        // Measured from the arrival, not the reading 200 ms later; the figures to the ms are bench/'s.
        QVERIFY2(qAbs(reply.localClockOffset() - offsetMs) <= offsetToleranceMs(reply.roundTripDelay())
                     && (!stamped || reply.roundTripDelay() < 100),
                 qPrintable(QString::number(reply.localClockOffset())));
        QCOMPARE(server.requests[0].data().left(2), QByteArray("\x23\0", 2)); // version 4, client
    }

    void refusesAnswer()
    {
        // The byte where the answer is spoiled and what is written there (nothing: it is cut there),
        // and whether the request stays open for the genuine answer that follows, taken once.
        for (const auto &[rule, at, bytes, stillOpen] :
             {std::tuple<const char *, int, QByteArray, bool>{"leap indicator 3", 0, "\xe4", true},
              {"version 0", 0, "\x04", true},
              {"version 5", 0, "\x2c", true},
              {"mode 5", 0, "\x25", true},
              {"stratum 16", 1, "\x10", true},
              {"origin not the request's", 24, QByteArray(8, 0), true},
              {"transmit time 0", 40, QByteArray(8, 0), true},
              {"47 bytes", 47, {}, true},
              {"kiss-o'-death ends the request", 1, QByteArray(1, 0), false}}) {
            FakeNtpServer server;
            server.tamper = [at = at, bytes = bytes](QByteArray &packet) {
                bytes.isEmpty() ? packet.truncate(at) : void(packet.replace(at, bytes.size(), bytes));
            };
            NtpClient client;
            QSignalSpy replies(&client, &NtpClient::replyReceived);
            client.sendRequest(4, QHostAddress::LocalHost, server.socket.localPort());
            QTRY_VERIFY_WITH_TIMEOUT(server.requests.size() == 1, 10000);
            server.tamper = nullptr;
            server.answer(0);
            server.answer(0);
            // Another server 5 s ahead, asked after those answers went: once its answer is in, so are they.
            FakeNtpServer later;
            later.offsetMs = 5000;
            client.sendRequest(4, QHostAddress::LocalHost, later.socket.localPort());
            const auto offsets = [&] { // in whole seconds
                QList<int> ms;
                for (const QList<QVariant> &reply : replies)
                    ms << qRound(reply[2].value<NtpReply>().localClockOffset() / 1000.0);
                return ms;
            };
            QTRY_VERIFY_WITH_TIMEOUT(offsets().contains(5), 10000);
            QVERIFY2(offsets().count(0) == (stillOpen ? 1 : 0) && replies.size() == (stillOpen ? 2 : 1), rule);
        }
        // Nor is an answer taken from another address or port than the request went to, or too late.
        const QHostAddress host("127.0.0.1");
        PendingRequests pending(2, 30s);
        pending.add(7, host, 123, {}, {});
        QVERIFY(pending.find(7, QHostAddress("::ffff:127.0.0.1"), 123, {}) && !pending.find(8, host, 123, {})
                && !pending.find(7, host, 124, {}) && !pending.find(7, QHostAddress("127.0.0.2"), 123, {})
                && !pending.find(7, host, 123, PendingRequests::Clock::time_point(30s)));
        // A server that says RATE is not asked for 64 s, then twice as long each time it says so again;
        // one that says DENY not at all any more. (A client told RATE by a server: tst_sync's requests.)
        ServerHolds holds;
        const ServerHolds::Clock::time_point start{};
        holds.kissed(host, 123, "RATE", start);
        QVERIFY(holds.heldBy(host, 123, start + 63s) == "RATE" && holds.heldBy(host, 123, start + 64s).isEmpty()
                && holds.heldBy(host, 124, start).isEmpty());
        holds.kissed(host, 123, "RATE", start + 64s);
        QVERIFY(holds.heldBy(host, 123, start + 191s) == "RATE" && holds.heldBy(host, 123, start + 192s).isEmpty());
        holds.kissed(host, 123, "DENY", start + 192s);
        QCOMPARE(holds.heldBy(host, 123, start + 1000h), QByteArray("DENY"));
    }
};

QTEST_GUILESS_MAIN(TestNtpClient)
#include "tst_ntpclient.moc"
