#pragma once

#include "ntpclient_export.h"
#include "ntpreply.h"

#include <QHostAddress>
#include <QObject>

#include <memory>

// Asks NTP servers for the time over UDP. Each answered request gives one
// replyReceived, always from the event loop, never from inside sendRequest.
class NTPCLIENT_EXPORT NtpClient : public QObject
{
    Q_OBJECT
public:
    explicit NtpClient(QObject *parent = nullptr);
    ~NtpClient() override;

    // Sends one client request and returns at once; false when it could not be sent, or when the server
    // told the client to stop (a kiss-o'-death) and its hold lasts.
    bool sendRequest(unsigned char version, const QHostAddress &address, unsigned short port);

    // The kiss code ("RATE", "DENY", "RSTR") of a server whose hold lasts, empty otherwise.
    QString refusal(const QHostAddress &address, unsigned short port) const;
    // Why the system did not send the last request that was not held back, as it says it.
    QString sendError() const;

signals:
    void replyReceived(const QHostAddress &address, unsigned short port, const NtpReply &reply);
    // A server answered with a kiss-o'-death; code is its four letters.
    void refused(const QHostAddress &address, unsigned short port, const QString &code);

private:
    void readDatagrams();

    struct Private;
    std::unique_ptr<Private> d;
};
