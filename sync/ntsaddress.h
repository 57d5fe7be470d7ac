#pragma once

#include <QString>

#include <optional>

// A server typed as "nts://host" or "nts://host:port" (the key exchange's port, 4460 unless given);
// an IPv6 address goes in brackets when a port follows.
struct NtsAddress
{
    QString host;
    quint16 port = 4460;

    static bool isNts(const QString &server) { return server.startsWith(QLatin1String("nts://"), Qt::CaseInsensitive); }
    // None for a plain server, and for an NTS one whose host or port cannot be read.
    static std::optional<NtsAddress> parse(const QString &server);
};
