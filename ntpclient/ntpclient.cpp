#include "ntpclient.h"

#include "ntppacket.h"
#include "pendingrequests.h"
#include "replyhandover.h"
#include "replysocket.h"
#include "serverholds.h"

#include <QDebug>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <utility>

namespace {

QString kissCode(const ntppacket::ReplyFields &reply)
{
    return QString::fromLatin1(
        QByteArray(reply.referenceId.data(), int(reply.referenceId.size())).toPercentEncoding(" "));
}

} // namespace

struct NtpClient::Private
{
    struct Answer
    {
        QHostAddress address;
        quint16 port = 0;
        ntppacket::Measurement measurement;
    };

    // The answer this datagram gives to an outstanding request, if it is one.
    std::optional<Answer> accept(const QNetworkDatagram &datagram, std::chrono::system_clock::time_point receivedAt);

    struct Refusal
    {
        QHostAddress address;
        quint16 port = 0;
        QString code;
    };

    QUdpSocket socket;
    PendingRequests pending;
    ServerHolds holds;
    // A kiss-o'-death that accept() took in, to be signalled once it has returned.
    std::optional<Refusal> refusal;
    QString sendError;
};

NtpClient::NtpClient(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    // Lets a receiver in another thread, or a signal spy, take the reply.
    qRegisterMetaType<NtpReply>();
    bindReplySocket(d->socket);
    connect(&d->socket, &QUdpSocket::readyRead, this, &NtpClient::readDatagrams);
}

NtpClient::~NtpClient() = default;

bool NtpClient::sendRequest(unsigned char version, const QHostAddress &address, unsigned short port)
{
    if (!refusal(address, port).isEmpty())
        return false; // the server asked not to be asked now
    const ntppacket::Timestamp key = freshKey();
    const ntppacket::Request packet = ntppacket::encodeRequest(version, key);
    // The request leaves during the send, which on a loopback or a busy machine may take a while.
    const auto before = std::chrono::system_clock::now();
    const qint64 written =
        d->socket.writeDatagram(reinterpret_cast<const char *>(packet.data()), qint64(packet.size()), address, port);
    if (written != qint64(packet.size())) {
        // The system's own words ("Network is unreachable"); the socket only says it could not send.
        d->sendError = qt_error_string();
        return false;
    }
    d->pending.add(key, address, port, {before, std::chrono::system_clock::now()}, PendingRequests::Clock::now());
    return true;
}

void NtpClient::readDatagrams()
{
    while (d->socket.hasPendingDatagrams()) {
        const StampedDatagram received = receiveStamped(d->socket);
        if (!received.datagram.isValid())
            break;
        if (const std::optional<Private::Answer> answer = d->accept(received.datagram, received.arrivedAt))
            emit replyReceived(answer->address, answer->port, replyHandedOverNow(answer->measurement));
        if (const std::optional<Private::Refusal> refusal = std::exchange(d->refusal, std::nullopt))
            emit refused(refusal->address, refusal->port, refusal->code);
    }
}

QString NtpClient::refusal(const QHostAddress &address, unsigned short port) const
{
    return QString::fromLatin1(d->holds.heldBy(address, port, ServerHolds::Clock::now()));
}

QString NtpClient::sendError() const
{
    return d->sendError;
}

std::optional<NtpClient::Private::Answer> NtpClient::Private::accept(const QNetworkDatagram &datagram,
                                                                     std::chrono::system_clock::time_point receivedAt)
{
    const QByteArray bytes = datagram.data();
    const std::optional<ntppacket::ReplyFields> reply =
        ntppacket::parseReply(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
    if (!reply)
        return std::nullopt;
    const QHostAddress source = datagram.senderAddress();
    const auto sourcePort = quint16(datagram.senderPort());
    const std::optional<PendingRequests::Request> request =
        pending.find(reply->origin, source, sourcePort, PendingRequests::Clock::now());
    if (!request)
        return std::nullopt;

    const ntppacket::Verdict verdict = ntppacket::checkReply(*reply, request->key);
    if (verdict == ntppacket::Verdict::KissOfDeath) {
        // The server asks us to stop: nothing more will come for this request, and maybe none may go.
        pending.forget(request->key);
        refusal = Refusal{request->address, request->port, kissCode(*reply)};
        holds.kissed(request->address, request->port, refusal->code.toLatin1(), ServerHolds::Clock::now());
        qDebug().noquote() << "NTP kiss-o'-death" << refusal->code << "from"
                           << source.toString() + ':' + QString::number(sourcePort);
    }
    // Any other bad answer leaves the request open for the genuine one.
    if (verdict != ntppacket::Verdict::Accepted)
        return std::nullopt;
    pending.forget(request->key);
    holds.answered(request->address, request->port, ServerHolds::Clock::now());
    return Answer{request->address, request->port,
                  PendingRequests::measure(request->sent, reply->receive, reply->transmit, receivedAt)};
}
