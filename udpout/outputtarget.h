#pragma once

#include <QHostAddress>
#include <QString>

// Where the time datagrams go, read from the target fields at every send.
namespace outputtarget {

// The one text that means the limited broadcast address.
bool isLimitedBroadcast(const QString &targetIp);

// The broadcast address for "255.255.255.255"; a dotted address read part by part in
// decimal (so "010" is ten, as the field check reads it); a null address for anything else.
QHostAddress destination(const QString &targetIp);

// True when the text is a whole decimal number from lowest to 65535.
bool portInRange(const QString &text, int lowest);

// The target port, or 0 (nothing is sent) when the text is not a port from 1 to 65535.
quint16 targetPort(const QString &text);

} // namespace outputtarget
