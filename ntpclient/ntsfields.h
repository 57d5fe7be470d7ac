#pragma once

// The NTS extension fields of NTP packets (RFC 8915, section 5): a client request that carries a
// unique identifier, a cookie, placeholders for new cookies and an authenticator; and the opening of
// a server's reply. Plain C++ without Qt, like the header codec.

#include "ntppacket.h"
#include "ntsaead.h"

#include <optional>
#include <vector>

namespace ntsfields {

constexpr std::size_t kUniqueIdSize = 32;
constexpr std::size_t kNonceSize = 16;
// The most a UDP datagram carries over IPv4: no request may be larger.
constexpr std::size_t kLargestRequest = 65507;

struct RequestParts
{
    ntsaead::Bytes uniqueId;
    ntsaead::Bytes cookie;
    std::size_t placeholders = 0; // each asks the server for one more cookie
    ntsaead::Bytes nonce;
};

// The size of a request that carries a cookie of cookieSize bytes and that many placeholders.
std::size_t requestSize(std::size_t cookieSize, std::size_t placeholders);

// The header followed by the fields, sealed with the client-to-server key; empty when sealing fails
// or a field is too large for its 16-bit length.
ntsaead::Bytes encodeRequest(const ntppacket::Request &header, const RequestParts &parts,
                             const ntsaead::Key &clientToServer);

// The unique identifier a reply carries before its authenticator, authenticated or not.
std::optional<ntsaead::Bytes> uniqueIdOf(const std::uint8_t *data, std::size_t size);

// The cookies inside a reply whose authenticator opens with the server-to-client key and that
// carries this unique identifier; none for anything else.
std::optional<std::vector<ntsaead::Bytes>> openReply(const std::uint8_t *data, std::size_t size,
                                                     const ntsaead::Bytes &uniqueId,
                                                     const ntsaead::Key &serverToClient);

} // namespace ntsfields
