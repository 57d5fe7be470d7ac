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

    // Sends one client request and returns at once; false when it could not be sent.
    bool sendRequest(unsigned char version, const QHostAddress &address, unsigned short port);

signals:
    void replyReceived(const QHostAddress &address, unsigned short port, const NtpReply &reply);

private:
    void readDatagrams();

    struct Private;
    std::unique_ptr<Private> d;
};
