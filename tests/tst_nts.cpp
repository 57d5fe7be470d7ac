// NTS: the AEAD against RFC 5297; the client against a real chronyd serving NTS on 127.0.0.1 under
// libfaketime +37 s, whose NTP port it reaches through a relay on [::1]:123 (Wine binds another IPv4
// loopback address as any address, which would take chronyd's port) that can hold replies or spoil a
// cookie; key exchanges that must fail against a server of the test's own.
#include "fixtures/chronyd.h"
#include "helpers/support.h"
#include "ntsaead.h"
#include "ntsclient.h"
#include "ntscookiejar.h"

#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>

using namespace std::chrono_literals;

namespace {

ntsaead::Bytes bytes(const char *hex)
{
    const QByteArray b = QByteArray::fromHex(hex);
    return ntsaead::Bytes(b.begin(), b.end());
}

// A client that trusts the test CA, with spies on what it says.
struct Client : NtsClient
{
    explicit Client(const QString &ca) { setTrustedCertificates(ca); }
    void ask(const QString &host = "localhost", quint16 port = 4460) { sendRequest(host, port, 1s); }
    QSignalSpy replies{this, &NtsClient::replyReceived}, failures{this, &NtsClient::failed};
};

// Stands between the client and chronyd's NTP port; keeps every request, and the replies it holds back.
struct Relay : QObject
{
    Relay()
    {
        front.bind(QHostAddress(QHostAddress::LocalHostIPv6), 123);
        back.bind(QHostAddress(QHostAddress::LocalHost), 0);
        connect(&front, &QUdpSocket::readyRead, this, [this] {
            while (front.hasPendingDatagrams()) {
                client = front.receiveDatagram();
                requests.append(client.data());
                if (std::exchange(spoilCookie, false))
                    requests.last()[88] = char(requests.last()[88] ^ 1); // the cookie's first byte
                back.writeDatagram(requests.last(), QHostAddress::LocalHost, 123);
            }
        });
        connect(&back, &QUdpSocket::readyRead, this, [this] {
            while (back.hasPendingDatagrams()) {
                const QByteArray reply = back.receiveDatagram().data();
                hold ? held.append(reply) : pass(reply);
            }
        });
    }

    void pass(const QByteArray &r) { front.writeDatagram(r, client.senderAddress(), quint16(client.senderPort())); }

    // The cookie a request carries after its unique identifier, and how many placeholders of its size
    // follow before the 40-byte authenticator.
    static std::pair<QByteArray, int> cookieOf(const QByteArray &request)
    {
        const int length = quint8(request[86]) << 8 | quint8(request[87]);
        return {request.mid(88, length - 4), (request.size() - 84 - 40) / length - 1};
    }

    QUdpSocket front, back;
    QNetworkDatagram client;
    QList<QByteArray> requests, held;
    bool hold = false;
    bool spoilCookie = false;
};

QByteArray record(int type, const QByteArray &body)
{
    return QByteArray(1, char(type >> 8)) + char(type) + char(body.size() >> 8) + char(body.size()) + body;
}

// NTPv4, AES-SIV-CMAC-256, eight cookies, the NTP server's port 4123; no End of Message yet.
const QByteArray goodRecords = record(0x8001, QByteArray(2, 0)) + record(0x8004, QByteArray("\0\x0f", 2))
                               + record(5, QByteArray(100, 'c')).repeated(8) + record(7, "\x10\x1b");

#if QT_CONFIG(ssl)
// A key exchange server on 127.0.0.1:4463 (TLS 1.3, ntske/1) that answers each request with `response`
// and closes, or sends it a byte a second. Its NTP server, 127.0.0.1:4123, NAKs every request.
struct KeServer : QTcpServer
{
    KeServer(const QTemporaryDir &dir, const QString &certificate, const QByteArray &response, int trickle = 0)
        : response(response), trickle(trickle)
    {
        tls.setLocalCertificate(QSslCertificate::fromPath(dir.filePath(certificate + ".pem")).first());
        tls.setPrivateKey(QSslKey(readAll(dir.filePath(certificate + ".key")), QSsl::Ec));
        tls.setProtocol(QSsl::TlsV1_3OrLater);
        tls.setAllowedNextProtocols({"ntske/1"});
        listen(QHostAddress::LocalHost, 4463);
        ntp.bind(QHostAddress::LocalHost, 4123);
        connect(&ntp, &QUdpSocket::readyRead, this, [this] {
            for (QNetworkDatagram r; (r = ntp.receiveDatagram()).isValid(); ++naks) // stratum 0, "NTSN", the
                ntp.writeDatagram(QByteArray("\x24", 1) + QByteArray(11, 0) + "NTSN" + QByteArray(8, 0) // origin
                                      + r.data().mid(40, 8) + QByteArray(16, 0) + r.data().mid(48, 36), // and id
                                  r.senderAddress(), quint16(r.senderPort()));
        });
    }

    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setSslConfiguration(tls);
        ++exchanges;
        auto *drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket,
                [socket, rest = response, at = 0]() mutable { socket->write(rest.mid(at++, 1)); });
        if (trickle == 2)
            return drip->start(1000);
        socket->startServerEncryption();
        connect(socket, &QSslSocket::readyRead, socket, [this, socket, drip] { // the request, whatever it is
            if (trickle == 1)
                return drip->start(1000);
            socket->write(response);
            socket->disconnectFromHost();
        });
    }

    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    QByteArray response;
    int trickle = 0; // 1: a byte a second, 2: the same before TLS
    int exchanges = 0, naks = 0;
    QUdpSocket ntp;
};
#else
// Qt for Windows is built without TLS: there the key exchanges that must fail are left to the Linux build.
struct KeServer
{
    KeServer(const QTemporaryDir &, const QString &, const QByteArray &, int = 0) {}
    int exchanges = 0, naks = 0;
};
#endif

} // namespace

class TestNts : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QProcess chronyd;
    Relay relay;

    QString file(const QString &name) { return hostPath(dir.filePath(name)); } // for chronyd and openssl too
    QString cert(const QString &name) { return file(name + ".pem"); }

private slots:
    void initTestCase()
    {
        QProcess certificates;
        startHost(certificates, CHRONVALE_SOURCE_DIR "/tests/fixtures/make-certs.sh", {file("."), CHRONVALE_FAKETIME});
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(dir.filePath("done")); }, 30000));
        const QByteArray at = QFile::encodeName(file(".")) + '/';
        const QByteArray nts = "allow 127.0.0.0/8\nntsserverkey " + at + "good.key\nntsservercert " + at
                               + "good.pem\nntsport 4460\nntsprocesses 0\nntsntpserver ::1\nntsdumpdir " + at;
        const std::optional<qint64> offset = startChronyd(chronyd, dir, "+37s", nts);
        QVERIFY2(offset && qAbs(*offset - 37000) <= 20, chronyd.readAll().constData());
    }
    void cleanupTestCase() { stop(chronyd); }

    void aead()
    {
        // The cipher itself meets chronyd in every exchange below; here, what those exchanges cannot show.
        ntsaead::Key k{};
        k[0] = 7;
        const auto ad = bytes("00112233445566778899aabbccddeeff"), nonce = bytes("09f911029d74e35bd84156c5635688c0");
        // An empty plaintext, a client request's: a real tag, not zeros, that depends on the data.
        const ntsaead::Bytes empty = ntsaead::seal(k, {ad, nonce}, {});
        QVERIFY(empty.size() == 16 && empty != ntsaead::Bytes(16) && empty != ntsaead::seal(k, {nonce, nonce}, {}));
        QVERIFY(ntsaead::open(k, {ad, nonce}, empty) && !ntsaead::open(k, {nonce, nonce}, empty));
        // A packet opens only with its own key and unique identifier.
        ntsfields::RequestParts parts{ntsaead::Bytes(32, 7), ntsaead::Bytes(100, 1), 2, nonce};
        const ntsaead::Bytes packet = ntsfields::encodeRequest(ntppacket::encodeRequest(4, 42), parts, k);
        QVERIFY(ntsfields::openReply(packet.data(), packet.size(), parts.uniqueId, k));
        QVERIFY(!ntsfields::openReply(packet.data(), packet.size(), ntsaead::Bytes(32, 8), k));
        QVERIFY(!ntsfields::openReply(packet.data(), packet.size(), parts.uniqueId, ntsaead::Key{}));
        // No field's 16-bit length wraps; a cookie in a reply too large for a request is not kept.
        parts.cookie.resize(65529);
        QVERIFY(ntsfields::encodeRequest(ntppacket::encodeRequest(4, 42), parts, k).empty());
        NtsCookieJar jar;
        jar.fill({ntsaead::Bytes(60000, 1), ntsaead::Bytes(100, 1)});
        QVERIFY(jar.take()->size() == 100 && jar.empty());
    }

    // Each key exchange refused with a reason of its own, by the deadline for a server that trickles,
    // and no NTP request sent.
    void refusedKeyExchanges()
    {
        if (!QT_CONFIG(ssl))
            QSKIP("Qt without TLS");
        struct Row
        {
            QByteArray records; // before End of Message
            QString reason, certificate = "good", host = "127.0.0.1";
            int trickle = 0;
            QByteArray end = record(0x8000, {});
        };
        const QByteArray good = goodRecords;
        for (const auto &[records, reason, certificate, host, trickle, end] :
             {Row{good + record(0x8003, QByteArray(2, 0)), "warning"},
              {good + record(0x8001, QByteArray(2, 0)), "Next Protocol"},
              {good + record(4, QByteArray("\0\x0f", 2)), "AEAD"},
              {good + record(0x8005, {}), "empty cookie"},
              {good + record(5, QByteArray(8169, 'c')), "too large"},
              {good + record(6, QByteArray("127.0.0.1\0.evil.example", 23)), "host name"},
              {good + record(6, "ntp.exämple"), "host name"},
              {good + record(6, "0.0.0.0"), "0.0.0.0"},
              {good + record(7, QByteArray(2, 0)), "port"},
              {good + record(0x4000, QByteArray(40000, 0)).repeated(2), "64 KiB"},
              {good, "connection closed", "good", "127.0.0.1", 0, {}},
              {good, "timed out", "good", "127.0.0.1", 1},
              {QByteArray("\x16\x03\x03\x40\x00", 5) + QByteArray(64, 0), "timed out", "good", "127.0.0.1", 2, {}},
              {good, "Connection refused", "good", "127.0.0.3"},
              {good, "self-signed certificate", "selfsigned"},
              {good, "hostname mismatch", "othername", "localhost"},
              {good, "IP address mismatch", "othername"},
              {good, "certificate has expired", "expired"}}) {
            KeServer server(dir, certificate, records + end, trickle);
            Client client(cert("ca"));
            client.ask(host, 4463);
            // In the background: the window goes on meanwhile.
            QVERIFY2(client.failures.isEmpty() && client.failures.wait(15000), qPrintable(reason));
            const QVariantList &failure = client.failures[0];
            QVERIFY2(failure[3].toString().contains(reason) && server.naks == 0, qPrintable(failure[3].toString()));
            QCOMPARE(failure[2].value<NtsClient::Failure>() == NtsClient::Failure::Untrusted, certificate != "good");
        }
    }

    // Requests go to chronyd's own NTP server record (the relay), the first two both sent though made during
    // the key exchange. Every request a cookie of its own. Unanswered, each asks for one more; after the eighth the
    // supply is gone and a new key exchange gives eight; answered, the supply stays full. A reply held
    // back past the new key exchange is checked with the keys its request went under: a copy whose time
    // was changed fails, the genuine one counts, and its cookie is not mixed with the new ones. A cookie
    // the server no longer takes brings its NAK, and the next request, a poll interval on, a full supply.
    void cookiesAreUsedOnceAndRefilled()
    {
        Client client(cert("ca"));
        relay.requests.clear();
        relay.hold = true;
        client.ask();
        for (int i = 2; i <= 9; ++i) {
            client.ask();
            QVERIFY2(QTest::qWaitFor([&] { return relay.held.size() == i; }, 10000),
                     qPrintable(client.failures.isEmpty() ? "" : client.failures[0][3].toString()));
        }
        relay.hold = false;
        QByteArray forged = relay.held[0];
        forged[43] = char(forged[43] + 100); // the transmit time 100 s later
        relay.pass(forged);
        relay.pass(relay.held[0]);
        QVERIFY(client.replies.wait(10000)
                && client.replies[0][0].value<QHostAddress>() == QHostAddress::LocalHostIPv6);
        for (int i = 10; i <= 12; ++i) {
            relay.spoilCookie = i == 12;
            client.ask();
            QVERIFY(i == 12 ? client.failures.wait(10000) : client.replies.wait(10000));
        }
        QTest::qWait(1000);
        client.ask();
        QVERIFY(client.replies.wait(10000));
        QList<int> placeholders;
        QSet<QByteArray> cookies;
        for (const QByteArray &request : relay.requests) {
            placeholders.append(Relay::cookieOf(request).second);
            cookies.insert(Relay::cookieOf(request).first);
        }
        QCOMPARE(placeholders, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 0, 0, 0}));
        QVERIFY(cookies.size() == 13 && client.replies.size() == 4 && client.failures.size() == 2);
        QVERIFY(client.failures[0][2].value<NtsClient::Failure>() == NtsClient::Failure::NotAuthenticated
                && client.failures[1][3].toString().contains("NAK"));
    }

    // After waking, an NTS entry is tried at each tick until its request has gone out: a key exchange that
    // could not reach its server yet neither counts as sent nor holds the next one back.
    void askedAfterWakingUntilSent()
    {
        if (!QT_CONFIG(ssl))
            QSKIP("Qt without TLS");
        TestWindow t(iniText({"nts://127.0.0.1:4463 100 1000 0"})
                     + "[nts]\ntrustedCerts=" + QFile::encodeName(cert("ca")) + "\n");
        QTest::qWait(6500); // past the start's two requests, both refused
        t.syncTimer()->stop();
        qint64 slept = 0;
        t.timeAsleep() = [&] { return slept; };
        const auto tick = [&](qint64 asleep) { slept += asleep, t.DoSync(), QTest::qWait(1000); };
        tick(3600000); // nothing listens yet
        KeServer ke(dir, "good", goodRecords + record(0x8000, {}));
        for (int i = 0; i < 4; ++i)
            tick(0);
        QVERIFY2(ke.exchanges == 1 && ke.naks == 1, qPrintable(t.ui()->label_syncinfo->toolTip()));
    }

    // The window with an NTS entry: the clock set to chronyd's time. A server it cannot trust, and one
    // that NAKs every request (asked every second: a key exchange now and then, not one a request), named
    // in the sync line with the reason in its tooltip, never asked as plain NTP: the clock left alone.
    void windowSyncsThroughNts()
    {
        for (const auto &[entry, certificate, text, reason, naks] :
             {std::tuple<QString, QString, QString, QString, int>{"nts://localhost 100 1000 0", "good",
                                                                  "同步时间成功！", "", 0},
              {"nts://127.0.0.1:4463 100 1000 0", "selfsigned", "NTS证书不受信任！", "self-signed", 0},
              {"nts://127.0.0.1:4463 100 0 0", "good", "NTS密钥交换失败！", "NTS NAK", 8}}) {
            if (!QT_CONFIG(ssl) && !reason.isEmpty())
                break;
            KeServer ke(dir, certificate, goodRecords + record(0x8000, {}));
            clockMovesNs.clear();
            TestWindow t(iniText({entry}) + "[nts]\ntrustedCerts=" + QFile::encodeName(cert("ca")) + "\n");
            QLabel *line = t.ui()->label_syncinfo;
            QVERIFY(QTest::qWaitFor(
                [&, naks = naks, text = text] { return ke.naks >= naks && line->text().startsWith(text); }, 20000));
            // Set by chronyd's NTS reply alone, to its time (through the relay, as above); chronyd would also
            // answer plain NTP on 127.0.0.1:123.
            QVERIFY(line->toolTip().contains(reason) && ke.exchanges <= 4
                    && clockMovesNs.isEmpty() == !reason.isEmpty());
            if (reason.isEmpty()) {
                const qint64 error = clockMovesNs[0] / 1000000 - 37000;
                const int roundTrip = QRegularExpression("时延(\\d+)ms").match(line->text()).captured(1).toInt();
                QVERIFY2(qAbs(error) <= offsetToleranceMs(roundTrip), qPrintable(line->text()));
            }
            // The certificates to trust are kept by a save.
            QVERIFY(t.saveSettings() && readAll(t.iniPath).contains("trustedCerts=" + QFile::encodeName(cert("ca"))));
        }
    }
};

QTEST_MAIN(TestNts)
#include "tst_nts.moc"
