#pragma once

#include "ntpclient_export.h"
#include "ntpreply.h"

#include <QHostAddress>
#include <QObject>

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

    // One request to the server whose key exchange listens at host:port. Without a cookie left, the
    // key exchange runs first; the request follows when it succeeds, or `failed` says why not.
    void sendRequest(const QString &host, quint16 keyExchangePort);

signals:
    // address and port: where the NTP request went.
    void replyReceived(const QHostAddress &address, unsigned short port, const NtpReply &reply);
    void failed(const QString &host, quint16 keyExchangePort, NtsClient::Failure failure, const QString &detail);

private:
    struct Private;
    struct Server;
    void startKeyExchange(const QString &host, quint16 port);
    void sendWithCookie(Server &server);
    void readDatagrams();
    void takeReply(const QByteArray &bytes, const QHostAddress &source, quint16 sourcePort,
                   std::chrono::system_clock::time_point receivedAt);

    std::unique_ptr<Private> d;
};
