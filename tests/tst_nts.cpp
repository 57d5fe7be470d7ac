// NTS: the AEAD against RFC 5297 and OpenSSL's own SIV; the client against a real chronyd serving NTS
// on 127.0.0.1 under libfaketime +37 s, whose NTP port it reaches through a relay on [::1]:123 (Wine binds
// another IPv4 loopback address as any address, which would take chronyd's port)
// that can drop or forge replies; key exchanges that must fail against `openssl s_server`.
#include "fixtures/chronyd.h"
#include "helpers/support.h"
#include "ntsaead.h"
#include "ntsclient.h"
#include "ntsfields.h"

#include <openssl/evp.h>

namespace {

ntsaead::Bytes bytes(const char *hex)
{
    const QByteArray b = QByteArray::fromHex(hex);
    return ntsaead::Bytes(b.begin(), b.end());
}

// Stands between the client and chronyd's NTP port; keeps every request.
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
                QByteArray request = client.data();
                if (std::exchange(spoilCookie, false))
                    request[int(48 + 36 + 4)] = char(request[48 + 36 + 4] ^ 1); // the cookie's first byte
                back.writeDatagram(request, QHostAddress::LocalHost, 123);
            }
        });
        connect(&back, &QUdpSocket::readyRead, this, [this] {
            while (back.hasPendingDatagrams()) {
                const QByteArray reply = back.receiveDatagram().data();
                replySizes.append(reply.size());
                if (dropReplies)
                    continue;
                if (forge) { // the server's reply, its transmit time 100 s later: origin right, authenticator wrong
                    QByteArray forged = reply;
                    forged[43] = char(forged[43] + 100);
                    front.writeDatagram(forged, client.senderAddress(), quint16(client.senderPort()));
                }
                front.writeDatagram(reply, client.senderAddress(), quint16(client.senderPort()));
            }
        });
    }

    // The cookie a request carries and the number of its placeholders.
    static std::pair<QByteArray, int> cookieOf(const QByteArray &request)
    {
        std::pair<QByteArray, int> found{{}, 0};
        for (int at = 48; at + 4 <= request.size();) {
            const int type = quint8(request[at]) << 8 | quint8(request[at + 1]);
            const int length = quint8(request[at + 2]) << 8 | quint8(request[at + 3]);
            if (type == 0x0204)
                found.first = request.mid(at + 4, length - 4);
            found.second += type == 0x0304;
            at += qMax(length, 4);
        }
        return found;
    }

    QUdpSocket front, back;
    QNetworkDatagram client;
    QList<QByteArray> requests;
    QList<int> replySizes;
    bool dropReplies = false;
    bool forge = false;
    bool spoilCookie = false;
};

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
        const QByteArray nts = "allow 127.0.0.0/8\nntsserverkey " + QFile::encodeName(file("good.key"))
                               + "\nntsservercert " + QFile::encodeName(cert("good"))
                               + "\nntsport 4460\nntsprocesses 0\nntsdumpdir " + QFile::encodeName(file("."))
                               + "\nntsntpserver ::1\n";
        const std::optional<qint64> offset = startChronyd(chronyd, dir, "+37s", nts);
        QVERIFY2(offset && qAbs(*offset - 37000) <= 20, chronyd.readAll().constData());
    }

    void cleanupTestCase()
    {
        chronyd.kill();
        chronyd.waitForFinished();
    }

    void aead()
    {
        // RFC 5297, A.1: one associated data component.
        const ntsaead::Bytes key = bytes("fffefdfcfbfaf9f8f7f6f5f4f3f2f1f0f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
        ntsaead::Key k;
        std::copy(key.begin(), key.end(), k.begin());
        const ntsaead::Bytes ad = bytes("101112131415161718191a1b1c1d1e1f2021222324252627");
        const ntsaead::Bytes plain = bytes("112233445566778899aabbccddee");
        const ntsaead::Bytes sealed = ntsaead::seal(k, {ad}, plain);
        QCOMPARE(sealed, bytes("85632d07c6e8f37f950acd320a2ecc9340c02b9690c4dc04daef7f6afe5c"));
        QCOMPARE(ntsaead::open(k, {ad}, sealed), std::optional(plain));
        for (std::size_t i : {std::size_t(0), sealed.size() - 1}) { // tag, ciphertext
            ntsaead::Bytes spoiled = sealed;
            spoiled[i] ^= 1;
            QVERIFY(!ntsaead::open(k, {ad}, spoiled));
        }
        // The way NTS uses it, with a nonce and 16 bytes or more of plaintext, as OpenSSL's SIV has it.
        const ntsaead::Bytes nonce = bytes("00112233445566778899aabbccddeeff"),
                             longer = bytes("000102030405060708090a0b0c0d0e0f1011");
        EVP_CIPHER *siv = EVP_CIPHER_fetch(nullptr, "AES-128-SIV", nullptr);
        EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
        unsigned char byOpenSsl[80]; // tag, then ciphertext
        int size = 0;
        QVERIFY(EVP_EncryptInit_ex(context, siv, nullptr, k.data(), nullptr)
                && EVP_EncryptUpdate(context, nullptr, &size, ad.data(), int(ad.size()))
                && EVP_EncryptUpdate(context, nullptr, &size, nonce.data(), int(nonce.size()))
                && EVP_EncryptUpdate(context, byOpenSsl + 16, &size, longer.data(), int(longer.size()))
                && EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_AEAD_GET_TAG, 16, byOpenSsl));
        EVP_CIPHER_CTX_free(context);
        EVP_CIPHER_free(siv);
        QCOMPARE(ntsaead::seal(k, {ad, nonce}, longer), ntsaead::Bytes(byOpenSsl, byOpenSsl + 16 + size));
        // An empty plaintext, a client request's: a real tag, not zeros, that depends on the data.
        const ntsaead::Bytes empty = ntsaead::seal(k, {ad, nonce}, {});
        QVERIFY(empty.size() == 16 && empty != ntsaead::Bytes(16) && empty != ntsaead::seal(k, {plain, nonce}, {}));
        QVERIFY(ntsaead::open(k, {ad, nonce}, empty) && !ntsaead::open(k, {plain, nonce}, empty));
        // A packet opens only with its own key and unique identifier.
        ntsfields::RequestParts parts{ntsaead::Bytes(32, 7), ntsaead::Bytes(100, 1), 2, nonce};
        const ntsaead::Bytes packet = ntsfields::encodeRequest(ntppacket::encodeRequest(4, 42), parts, k);
        ntsaead::Key other = k;
        other[0] ^= 1;
        QVERIFY(ntsfields::openReply(packet.data(), packet.size(), parts.uniqueId, k));
        QVERIFY(!ntsfields::openReply(packet.data(), packet.size(), ntsaead::Bytes(32, 8), k));
        QVERIFY(!ntsfields::openReply(packet.data(), packet.size(), parts.uniqueId, other));
    }

    // By name and by address: the offset chronyd runs ahead, authenticated, through its own NTP server record.
    void syncsThroughNts()
    {
        for (const QString host : {"localhost", "127.0.0.1"}) {
            NtsClient client;
            client.setTrustedCertificates(cert("ca"));
            QSignalSpy replies(&client, &NtsClient::replyReceived), failures(&client, &NtsClient::failed);
            relay.requests.clear();
            client.sendRequest(host, 4460);
            QVERIFY2(replies.wait(10000), qPrintable(failures.isEmpty() ? host : failures[0][3].toString()));
            const NtpReply reply = replies[0][2].value<NtpReply>();
            QVERIFY(qAbs(reply.localClockOffset() - 37000) <= offsetToleranceMs(reply.roundTripDelay()));
            QCOMPARE(replies[0][0].value<QHostAddress>(), QHostAddress(QHostAddress::LocalHostIPv6));
            QCOMPARE(relay.requests.size(), 1);
            QVERIFY2(relay.requests[0].size() >= 200,
                     qPrintable(QString::number(relay.requests[0].size()))); // cookie and authenticator
            qInfo("NTS request %d bytes, reply %d bytes", int(relay.requests[0].size()), relay.replySizes.last());
        }
    }

    // Each rejection with the certificate's reason, and no NTP request at all, plain or not.
    void untrustedServersAreNeverAsked()
    {
        const struct
        {
            QString certificate, host, reason;
        } rows[] = {
            {"selfsigned", "127.0.0.3", "self-signed certificate"},
            {"othername", "localhost", "hostname mismatch"},
            {"othername", "127.0.0.3", "IP address mismatch"},
            {"expired", "127.0.0.3", "certificate has expired"},
        };
        relay.requests.clear();
        FakeNtpServer plain;
        plain.socket.close();
        // Wine binds it to any address, and chronyd has the port there: under Wine only the relay watches.
        QVERIFY(plain.socket.bind(QHostAddress("127.0.0.3"), 123) || QSysInfo::productType() == "windows");
        {
            NtsClient client; // nobody listening: the key exchange fails, no certificate is to blame
            QSignalSpy failures(&client, &NtsClient::failed);
            client.sendRequest("127.0.0.3", 4462);
            QVERIFY(failures.isEmpty()); // in the background: the window goes on meanwhile
            QVERIFY(failures.wait(5000)
                    && failures[0][2].value<NtsClient::Failure>() == NtsClient::Failure::KeyExchange);
        }
        for (const auto &row : rows) { // each on a port of its own: under Wine a server is not stopped
            const quint16 port = quint16(4463 + (&row - rows));
            QProcess server;
            startHost(server, "/usr/bin/openssl",
                      {"s_server", "-accept", QString::number(port), "-cert", cert(row.certificate), "-key",
                       file(row.certificate + ".key"), "-alpn", "ntske/1", "-tls1_3", "-quiet"});
            NtsClient client;
            client.setTrustedCertificates(cert("ca"));
            QSignalSpy failures(&client, &NtsClient::failed);
            QVERIFY(QTest::qWaitFor(
                [&] { // until s_server listens
                    client.sendRequest(row.host, port);
                    return failures.wait(3000)
                           && failures.last()[2].value<NtsClient::Failure>() == NtsClient::Failure::Untrusted;
                },
                10000));
            QVERIFY2(failures.last()[3].toString().contains(row.reason, Qt::CaseInsensitive),
                     qPrintable(failures.last()[3].toString()));
            server.kill();
            server.waitForFinished();
        }
        QVERIFY(plain.requests.isEmpty() && relay.requests.isEmpty());
    }

    // A reply whose time was changed on the way fails authentication and is dropped; the genuine one counts.
    void forgedReplyIsDropped()
    {
        NtsClient client;
        client.setTrustedCertificates(cert("ca"));
        QSignalSpy replies(&client, &NtsClient::replyReceived), failures(&client, &NtsClient::failed);
        relay.forge = true;
        client.sendRequest("127.0.0.1", 4460);
        const bool answered = replies.wait(10000);
        relay.forge = false;
        QVERIFY(answered && replies.size() == 1
                && qAbs(replies[0][2].value<NtpReply>().localClockOffset() - 37000)
                       <= offsetToleranceMs(replies[0][2].value<NtpReply>().roundTripDelay()));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0][2].value<NtsClient::Failure>(), NtsClient::Failure::NotAuthenticated);
    }

    // A cookie the server no longer takes brings its NAK; a fresh key exchange, and the request goes again.
    void rejectedCookieBringsNewKeyExchange()
    {
        NtsClient client;
        client.setTrustedCertificates(cert("ca"));
        QSignalSpy replies(&client, &NtsClient::replyReceived);
        client.sendRequest("localhost", 4460);
        QVERIFY(replies.wait(10000));
        relay.requests.clear();
        relay.spoilCookie = true;
        client.sendRequest("localhost", 4460);
        QVERIFY(replies.wait(10000));
        QCOMPARE(relay.requests.size(), 2);
        QCOMPARE(Relay::cookieOf(relay.requests[1]).second, 0); // a full supply again
    }

    // Every request a cookie of its own. Unanswered, each asks for one more; after the eighth the
    // supply is gone and a new key exchange gives eight; answered, the supply stays full.
    void cookiesAreUsedOnceAndRefilled()
    {
        NtsClient client;
        client.setTrustedCertificates(cert("ca"));
        QSignalSpy replies(&client, &NtsClient::replyReceived);
        relay.requests.clear();
        relay.replySizes.clear();
        relay.dropReplies = true;
        for (int i = 1; i <= 9; ++i) {
            client.sendRequest("localhost", 4460);
            QVERIFY(QTest::qWaitFor([&] { return relay.requests.size() == i; }, 10000));
        }
        QVERIFY(QTest::qWaitFor([&] { return relay.replySizes.size() == 9; }, 5000));
        relay.dropReplies = false;
        for (int i = 10; i <= 11; ++i) {
            client.sendRequest("localhost", 4460);
            QVERIFY(replies.wait(10000));
        }
        QList<int> placeholders;
        QSet<QByteArray> cookies;
        for (const QByteArray &request : relay.requests) {
            placeholders.append(Relay::cookieOf(request).second);
            cookies.insert(Relay::cookieOf(request).first);
        }
        QCOMPARE(placeholders, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 0}));
        QCOMPARE(cookies.size(), 11);
    }

    // The window with an NTS entry: the clock set to chronyd's time; a server it cannot trust named in
    // the sync line with the reason in its tooltip, and the clock left alone.
    void windowSyncsThroughNts()
    {
        for (const QString &server : {QString("nts://localhost"), QString("nts://127.0.0.3:4461")}) {
            clockRequests.clear();
            QProcess untrusted;
            startHost(untrusted, "/usr/bin/openssl",
                      {"s_server", "-accept", "4461", "-cert", cert("selfsigned"), "-key", file("selfsigned.key"),
                       "-alpn", "ntske/1", "-tls1_3", "-quiet"});
            QTest::qWait(300);
            TestWindow t(iniText({server + " 100 1000 0"}) + "[nts]\ntrustedCerts=" + QFile::encodeName(cert("ca"))
                         + "\n");
            QLabel *line = t.ui()->label_syncinfo;
            if (server.endsWith(":4461")) {
                QVERIFY(QTest::qWaitFor([&] { return line->text() == "NTS证书不受信任！"; }, 10000));
                QVERIFY(line->toolTip().contains("self-signed") && clockRequests.isEmpty());
            } else {
                QVERIFY(QTest::qWaitFor([&] { return !clockRequests.isEmpty(); }, 10000));
                const qint64 error = clockRequests[0].toMSecsSinceEpoch() - (clockRequestTimesUs[0] / 1000 + 37000);
                QVERIFY(line->text().startsWith("同步时间成功！"));
                const int roundTrip = QRegularExpression("时延(\\d+)ms").match(line->text()).captured(1).toInt();
                QVERIFY2(qAbs(error) <= offsetToleranceMs(roundTrip), qPrintable(line->text()));
            }
            QVERIFY(t.saveSettings()
                    && readAll(t.iniPath).contains("trustedCerts=" + QFile::encodeName(cert("ca")))); // kept by a save
            untrusted.kill();
            untrusted.waitForFinished();
        }
    }
};

QTEST_MAIN(TestNts)
#include "tst_nts.moc"
