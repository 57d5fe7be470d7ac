#include "ntpclient.h"

NtpClient::NtpClient(QObject *parent) : QObject(parent) {}

NtpClient::~NtpClient() = default;

bool NtpClient::sendRequest(unsigned char, const QHostAddress &, unsigned short)
{
    return false;
}
