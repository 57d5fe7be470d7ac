#pragma once

#include "ntpclient_export.h"
#include "ntpreply.h"

#include <QHostAddress>
#include <QObject>

#include <chrono>
#include <memory>

// Asks NTS servers (RFC 8915) for the time: a key exchange over TLS in the background, then NTP
// requests authenticated with its keys, each carrying a fresh cookie. Only an authenticated reply
// counts; nothing ever goes to an NTS server as plain NTP.
class NTPCLIENT_EXPORT NtsClient : public QObject
{
    Q_OBJECT
public:
    enum class Failure { KeyExchange, Untrusted, NotAuthenticated };
    Q_ENUM(Failure)

    explicit NtsClient(QObject *parent = nullptr);
    ~NtsClient() override;

    // A PEM file of certificates trusted beside the system's, or empty.
    void setTrustedCertificates(const QString &pemFile);

    // One request to the server whose key exchange listens at host:port. Without a cookie left, or
    // after the server refused its cookies with a NAK, a key exchange runs first; the request follows
    // when it succeeds, or `failed` says why not. pollInterval, the time between the caller's requests,
    // is the first wait between key exchanges that fail.
    void sendRequest(const QString &host, quint16 keyExchangePort, std::chrono::seconds pollInterval);

signals:
    // address and port: where the NTP request went.
    void replyReceived(const QHostAddress &address, unsigned short port, const NtpReply &reply);
    void failed(const QString &host, quint16 keyExchangePort, NtsClient::Failure failure, const QString &detail);
    // A request has left this machine, after its key exchange where one was needed.
    void requestSent(const QString &host, quint16 keyExchangePort);

private:
    struct Private;
    struct Server;
    struct Exchanged;
    bool backingOff(const Server &server) const;
    void startKeyExchange(Server &server);
    void endKeyExchange(const QString &key, int number, const Exchanged &done);
    void sendWithCookie(Server &server);
    void readDatagrams();
    void takeReply(const QByteArray &bytes, const QHostAddress &source, quint16 sourcePort,
                   std::chrono::system_clock::time_point receivedAt);

    std::unique_ptr<Private> d;
};
