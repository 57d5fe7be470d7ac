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
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <map>

namespace {

using namespace std::chrono_literals;

constexpr auto kKeyExchangeTime = 5s; // from the name lookup to End of Message
constexpr auto kLongestBackOff = 24h;
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

template<typename Container>
QByteArray asBytes(const Container &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

// What a pending request notes: its unique identifier, the key of the key exchange it went out under,
// which its reply is sealed with, and its server.
struct RequestNote
{
    static constexpr int kIdSize = int(ntsfields::kUniqueIdSize);
    static constexpr int kKeySize = int(ntsaead::kKeySize);
    ntsaead::Bytes uniqueId;
    ntsaead::Key serverToClient{};
    QString server;

    QByteArray text() const { return asBytes(uniqueId) + asBytes(serverToClient) + server.toUtf8(); }
    static RequestNote read(const QByteArray &text)
    {
        RequestNote note{
            ntsaead::Bytes(text.begin(), text.begin() + kIdSize), {}, QString::fromUtf8(text.mid(kIdSize + kKeySize))};
        std::copy(text.begin() + kIdSize, text.begin() + kIdSize + kKeySize, note.serverToClient.begin());
        return note;
    }
};

bool isUsable(const QHostAddress &address)
{
    return !address.isNull() && !address.isMulticast() && !address.isBroadcast() && address != QHostAddress::AnyIPv4
           && address != QHostAddress::AnyIPv6;
}

} // namespace

struct NtsClient::Server
{
    QString host;
    quint16 port = 0;
    ntske::Session session; // keys and the NTP server; its cookies go into the jar
    NtsCookieJar cookies;
    QHostAddress ntpAddress;
    bool rejected = false; // the NTP server answered a cookie of this session with a NAK
    bool exchanging = false;
    int exchangeNumber = 0;       // of the latest key exchange; an earlier one's end counts no more
    int waiting = 0;              // requests to send once the key exchange is done
    int failures = 0;             // key exchanges in a row that brought no answer
    std::chrono::seconds poll{1}; // the time between the caller's requests
    PendingRequests::Clock::time_point lastExchange;
    std::pair<Failure, QString> lastFailure;
};

// A key exchange's outcome as the window's thread takes it.
struct NtsClient::Exchanged
{
    ntske::Result result;
    QHostAddress ntpAddress;
    std::atomic<bool> connected{false}; // the server took the connection

    // Why the outcome cannot be used; empty when it can.
    QString problem() const
    {
        if (result.outcome != ntske::Outcome::Established)
            return QString::fromStdString(result.detail);
        if (ntpAddress.isNull())
            return "no address for " + QString::fromStdString(result.session.ntpHost);
        if (!isUsable(ntpAddress))
            return "unusable NTP server address " + ntpAddress.toString();
        return {};
    }
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

// At most one key exchange a request. Without fresh cookies, the old ones go on being tried, and
// while key exchanges back off, a request without any says the last failure again.
void NtsClient::sendRequest(const QString &host, quint16 keyExchangePort, std::chrono::seconds pollInterval)
{
    Server &server = d->servers[serverKey(host, keyExchangePort)];
    server.host = host;
    server.port = keyExchangePort;
    server.poll = std::max(pollInterval, std::chrono::seconds(1));
    if ((server.cookies.empty() || server.rejected) && !server.exchanging && !backingOff(server))
        startKeyExchange(server);
    if (server.exchanging)
        ++server.waiting;
    else if (!server.cookies.empty())
        sendWithCookie(server);
    else
        emit failed(host, keyExchangePort, server.lastFailure.first, server.lastFailure.second);
}

// After failures a key exchange waits the poll interval, doubled for each further failure up to a day,
// so that a server that fails or NAKs every time is not flooded. A request that comes a little early
// (the caller's timer) is in time.
bool NtsClient::backingOff(const Server &server) const
{
    if (server.failures == 0)
        return false;
    std::chrono::seconds wait = std::min<std::chrono::seconds>(server.poll, kLongestBackOff);
    for (int i = 1; i < server.failures && wait < kLongestBackOff; ++i)
        wait = std::min<std::chrono::seconds>(2 * wait, kLongestBackOff);
    return PendingRequests::Clock::now() - server.lastExchange < std::chrono::milliseconds(wait) * 9 / 10;
}

void NtsClient::startKeyExchange(Server &server)
{
    server.exchanging = true;
    server.lastExchange = PendingRequests::Clock::now();
    const int number = ++server.exchangeNumber;
    const QString key = serverKey(server.host, server.port);
    const std::string host = server.host.toStdString();
    const quint16 port = server.port;
    const std::string pem = QFile::encodeName(d->trustedPemFile).toStdString();
    const auto deadline = server.lastExchange + kKeyExchangeTime;
    auto done = std::make_shared<Exchanged>();
    QThread *exchange = QThread::create([done, host, port, pem, deadline] {
        done->result = ntske::exchange(host, port, pem, deadline, &done->connected);
        if (done->result.outcome != ntske::Outcome::Established)
            return;
        const QList<QHostAddress> found =
            QHostInfo::fromName(QString::fromStdString(done->result.session.ntpHost)).addresses();
        if (!found.isEmpty())
            done->ntpAddress = found.first();
    });
    d->exchanges.push_back(exchange);
    connect(exchange, &QThread::finished, this, [this, exchange, done, key, number] {
        d->exchanges.erase(std::find(d->exchanges.begin(), d->exchanges.end(), exchange));
        exchange->deleteLater();
        endKeyExchange(key, number, *done);
    });
    // The lookups have no limit of their own; the deadline holds for them all the same.
    QTimer::singleShot(kKeyExchangeTime, Qt::PreciseTimer, this, [this, key, number, done] {
        Exchanged late;
        late.result.detail = "timed out";
        late.result.outcome = done->connected ? ntske::Outcome::Refused : ntske::Outcome::Unreachable;
        endKeyExchange(key, number, late);
    });
    exchange->start();
}

void NtsClient::endKeyExchange(const QString &key, int number, const Exchanged &done)
{
    const auto found = d->servers.find(key);
    if (found == d->servers.end() || !found->second.exchanging || found->second.exchangeNumber != number)
        return; // ended already, by its deadline
    Server &server = found->second;
    server.exchanging = false;
    const ntske::Result &result = done.result;
    const QString problem = done.problem();
    if (problem.isEmpty()) {
        server.session = result.session;
        server.cookies.clear();
        server.cookies.fill(result.session.cookies);
        server.ntpAddress = done.ntpAddress;
        server.rejected = false;
    } else {
        // One that never reached a server (no network yet, say) cost it nothing, and holds the next one back no more.
        if (result.outcome != ntske::Outcome::Unreachable)
            ++server.failures;
        server.lastFailure = {result.outcome == ntske::Outcome::Untrusted ? Failure::Untrusted : Failure::KeyExchange,
                              problem};
        emit failed(server.host, server.port, server.lastFailure.first, problem);
    }
    for (int n = std::exchange(server.waiting, 0); n > 0 && !server.cookies.empty(); --n)
        sendWithCookie(server);
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
    const auto before = std::chrono::system_clock::now(); // it leaves during the send
    const qint64 written = d->socket.writeDatagram(reinterpret_cast<const char *>(packet.data()), qint64(packet.size()),
                                                   server.ntpAddress, server.session.ntpPort);
    const PendingRequests::Sent sent{before, std::chrono::system_clock::now()};
    if (packet.empty() || written != qint64(packet.size()))
        return; // counts as unanswered
    const RequestNote note{parts.uniqueId, server.session.serverToClient, serverKey(server.host, server.port)};
    d->pending.add(key, server.ntpAddress, server.session.ntpPort, sent, PendingRequests::Clock::now(), note.text());
    emit requestSent(server.host, server.port);
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
    const RequestNote note = RequestNote::read(request->context);
    const auto found = d->servers.find(note.server);
    if (found == d->servers.end())
        return;
    Server &server = found->second;
    // A request made before the latest key exchange carries an older session's cookie and keys.
    const bool currentSession = note.serverToClient == server.session.serverToClient;
    const ntppacket::Verdict verdict = ntppacket::checkReply(*reply, request->key);
    if (verdict == ntppacket::Verdict::KissOfDeath
        && std::equal(reply->referenceId.begin(), reply->referenceId.end(), kNtsNak)
        && ntsfields::uniqueIdOf(data, size) == note.uniqueId) {
        // The server no longer takes this session's cookies: a key exchange at the next request.
        d->pending.forget(request->key);
        if (!currentSession)
            return;
        if (!std::exchange(server.rejected, true))
            ++server.failures;
        server.lastFailure = {Failure::KeyExchange, QStringLiteral("NTS NAK")};
        emit failed(server.host, server.port, Failure::KeyExchange, server.lastFailure.second);
        return;
    }
    if (verdict != ntppacket::Verdict::Accepted)
        return;
    const auto cookies = ntsfields::openReply(data, size, note.uniqueId, note.serverToClient);
    if (!cookies) {
        // A forgery or a damaged reply; the request stays open for the genuine one.
        emit failed(server.host, server.port, Failure::NotAuthenticated,
                    tr("reply from %1 failed authentication").arg(source.toString()));
        return;
    }
    d->pending.forget(request->key);
    if (currentSession) { // an older session's cookies go with its keys
        server.cookies.fill(*cookies);
        server.failures = 0;
        server.rejected = false;
    }
    const ntppacket::Measurement measurement =
        PendingRequests::measure(request->sent, reply->receive, reply->transmit, receivedAt);
    emit replyReceived(request->address, request->port, replyHandedOverNow(measurement));
}
