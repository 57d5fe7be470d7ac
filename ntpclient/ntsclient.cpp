#include "ntsclient.h"

#include "ntscookiejar.h"
#include "ntsfields.h"
#include "ntske.h"
#include "pendingrequests.h"
#include "replyhandover.h"
#include "replysocket.h"

#include <QFile>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QThread>
#include <QUdpSocket>

#include <map>

namespace {

constexpr int kKeyExchangeTimeoutMs = 5000;
const char kNtsNak[] = "NTSN";

ntsaead::Bytes randomBytes(std::size_t size)
{
    ntsaead::Bytes bytes(size);
    for (std::uint8_t &b : bytes)
        b = std::uint8_t(QRandomGenerator::system()->generate());
    return bytes;
}

QString serverKey(const QString &host, quint16 port)
{
    return host.toLower() + '#' + QString::number(port);
}

} // namespace

struct NtsClient::Server
{
    QString host;
    quint16 port = 0;
    ntske::Session session; // keys and the NTP server; its cookies go into the jar
    NtsCookieJar cookies;
    QHostAddress ntpAddress;
    bool exchanging = false;
    bool requestWaiting = false; // a request to send once the key exchange is done
};

struct NtsClient::Private
{
    QUdpSocket socket;
    PendingRequests pending;
    std::map<QString, Server> servers;
    std::vector<QThread *> exchanges;
    QString trustedPemFile;
};

NtsClient::NtsClient(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    qRegisterMetaType<NtpReply>();
    qRegisterMetaType<NtsClient::Failure>();
    bindReplySocket(d->socket);
    connect(&d->socket, &QUdpSocket::readyRead, this, &NtsClient::readDatagrams);
}

// A key exchange under way gets a moment to end; one stuck in a lookup is left to end on its own
// rather than hold up the program's end.
NtsClient::~NtsClient()
{
    for (QThread *exchange : d->exchanges) {
        exchange->disconnect(this);
        if (exchange->wait(1000))
            delete exchange;
    }
}

void NtsClient::setTrustedCertificates(const QString &pemFile)
{
    d->trustedPemFile = pemFile;
}

void NtsClient::sendRequest(const QString &host, quint16 keyExchangePort)
{
    Server &server = d->servers[serverKey(host, keyExchangePort)];
    server.host = host;
    server.port = keyExchangePort;
    if (server.cookies.empty()) {
        server.requestWaiting = true;
        if (!server.exchanging)
            startKeyExchange(host, keyExchangePort);
        return;
    }
    sendWithCookie(server);
}

void NtsClient::startKeyExchange(const QString &host, quint16 port)
{
    d->servers[serverKey(host, port)].exchanging = true;
    auto result = std::make_shared<std::pair<ntske::Result, QHostAddress>>();
    const std::string pem = QFile::encodeName(d->trustedPemFile).toStdString();
    QThread *exchange = QThread::create([result, host, port, pem] {
        result->first =
            ntske::exchange(host.toStdString(), port, pem,
                            std::chrono::steady_clock::now() + std::chrono::milliseconds(kKeyExchangeTimeoutMs));
        if (result->first.outcome != ntske::Outcome::Established)
            return;
        const QList<QHostAddress> found =
            QHostInfo::fromName(QString::fromStdString(result->first.session.ntpHost)).addresses();
        if (!found.isEmpty())
            result->second = found.first();
    });
    d->exchanges.push_back(exchange);
    connect(exchange, &QThread::finished, this, [this, exchange, result, host, port] {
        d->exchanges.erase(std::find(d->exchanges.begin(), d->exchanges.end(), exchange));
        exchange->deleteLater();
        Server &server = d->servers[serverKey(host, port)];
        server.exchanging = false;
        const ntske::Result &done = result->first;
        if (done.outcome != ntske::Outcome::Established || result->second.isNull()) {
            server.requestWaiting = false;
            const bool untrusted = done.outcome == ntske::Outcome::Untrusted;
            emit failed(host, port, untrusted ? Failure::Untrusted : Failure::KeyExchange,
                        QString::fromStdString(done.outcome == ntske::Outcome::Established
                                                   ? "no address for " + done.session.ntpHost
                                                   : done.detail));
            return;
        }
        server.session = done.session;
        server.cookies.clear();
        server.cookies.fill(done.session.cookies);
        server.ntpAddress = result->second;
        if (std::exchange(server.requestWaiting, false))
            sendWithCookie(server);
    });
    exchange->start();
}

void NtsClient::sendWithCookie(Server &server)
{
    ntsfields::RequestParts parts;
    parts.cookie = *server.cookies.take();
    parts.placeholders = server.cookies.shortfall();
    parts.uniqueId = randomBytes(ntsfields::kUniqueIdSize);
    parts.nonce = randomBytes(ntsfields::kNonceSize);
    const ntppacket::Timestamp key = freshKey();
    const ntsaead::Bytes packet =
        ntsfields::encodeRequest(ntppacket::encodeRequest(4, key), parts, server.session.clientToServer);
    const auto sentAt = std::chrono::system_clock::now();
    const qint64 written = d->socket.writeDatagram(reinterpret_cast<const char *>(packet.data()), qint64(packet.size()),
                                                   server.ntpAddress, server.session.ntpPort);
    if (packet.empty() || written != qint64(packet.size()))
        return; // counts as unanswered
    const QByteArray context =
        serverKey(server.host, server.port).toUtf8() + '\n'
        + QByteArray(reinterpret_cast<const char *>(parts.uniqueId.data()), int(parts.uniqueId.size()));
    d->pending.add(key, server.ntpAddress, server.session.ntpPort, sentAt, PendingRequests::Clock::now(), context);
}

void NtsClient::readDatagrams()
{
    while (d->socket.hasPendingDatagrams()) {
        const StampedDatagram received = receiveStamped(d->socket);
        if (!received.datagram.isValid())
            break;
        const QNetworkDatagram &datagram = received.datagram;
        takeReply(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()), received.arrivedAt);
    }
}

void NtsClient::takeReply(const QByteArray &bytes, const QHostAddress &source, quint16 sourcePort,
                          std::chrono::system_clock::time_point receivedAt)
{
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    const auto size = std::size_t(bytes.size());
    const std::optional<ntppacket::ReplyFields> reply = ntppacket::parseReply(data, size);
    const std::optional<PendingRequests::Request> request =
        reply ? d->pending.find(reply->origin, source, sourcePort, PendingRequests::Clock::now()) : std::nullopt;
    if (!request)
        return;
    const int split = request->context.indexOf('\n');
    const auto found = d->servers.find(QString::fromUtf8(request->context.left(split)));
    if (found == d->servers.end())
        return;
    Server &server = found->second;
    const QByteArray id = request->context.mid(split + 1);
    const ntsaead::Bytes uniqueId(id.begin(), id.end());
    const ntppacket::Verdict verdict = ntppacket::checkReply(*reply, request->key);
    if (verdict == ntppacket::Verdict::KissOfDeath
        && std::equal(reply->referenceId.begin(), reply->referenceId.end(), kNtsNak)
        && ntsfields::uniqueIdOf(data, size) == uniqueId) {
        // The server no longer takes our cookies: a fresh key exchange, and the request again.
        d->pending.forget(request->key);
        server.cookies.clear();
        sendRequest(server.host, server.port);
        return;
    }
    if (verdict != ntppacket::Verdict::Accepted)
        return;
    const auto cookies = ntsfields::openReply(data, size, uniqueId, server.session.serverToClient);
    if (!cookies) {
        // A forgery or a damaged reply; the request stays open for the genuine one.
        emit failed(server.host, server.port, Failure::NotAuthenticated,
                    tr("reply from %1 failed authentication").arg(source.toString()));
        return;
    }
    d->pending.forget(request->key);
    server.cookies.fill(*cookies);
    const ntppacket::Measurement measurement =
        ntppacket::measure(ntppacket::fromSystemTime(request->sentAt), reply->receive, reply->transmit,
                           ntppacket::fromSystemTime(receivedAt));
    emit replyReceived(request->address, request->port, replyHandedOverNow(measurement));
}
