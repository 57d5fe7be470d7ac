#pragma once

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <chrono>

// Binds a socket for NTP exchanges: dual-stack where it can, so that one socket reaches IPv4 and IPv6
// servers alike, with the kernel stamping each datagram's arrival where the system keeps such stamps.
void bindReplySocket(QUdpSocket &socket);

struct StampedDatagram
{
    QNetworkDatagram datagram;
    // When it arrived, not when this thread got round to it: a reply that waited in the socket would
    // otherwise lose half its wait from the offset.
    std::chrono::system_clock::time_point arrivedAt;
};

StampedDatagram receiveStamped(QUdpSocket &socket);
