#include "replysocket.h"

#include "platform/arrivaltime.h"

void bindReplySocket(QUdpSocket &socket)
{
    if (!socket.bind(QHostAddress(QHostAddress::Any)))
        socket.bind(QHostAddress(QHostAddress::AnyIPv4));
    platform::stampArrivals(socket.socketDescriptor());
}

StampedDatagram receiveStamped(QUdpSocket &socket)
{
    QNetworkDatagram datagram = socket.receiveDatagram();
    const auto arrivedAt =
        platform::arrivalOfLastRead(socket.socketDescriptor()).value_or(std::chrono::system_clock::now());
    return {std::move(datagram), arrivedAt};
}
