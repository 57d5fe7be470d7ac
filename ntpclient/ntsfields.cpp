#include "ntsfields.h"

#include "bigendian.h"

namespace ntsfields {
namespace {

using bigendian::putU16;
using bigendian::readU16;

constexpr std::uint16_t kUniqueIdentifier = 0x0104;
constexpr std::uint16_t kCookie = 0x0204;
constexpr std::uint16_t kCookiePlaceholder = 0x0304;
constexpr std::uint16_t kAuthenticator = 0x0404;

std::size_t padded(std::size_t size)
{
    return (size + 3) & ~std::size_t(3);
}

void putPadded(ntsaead::Bytes &out, const ntsaead::Bytes &bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
    out.resize(out.size() + padded(bytes.size()) - bytes.size());
}

std::size_t fieldSize(std::size_t bodySize)
{
    return 4 + padded(bodySize);
}

// False, and nothing written, for a body too large for the field's 16-bit length.
bool putField(ntsaead::Bytes &out, std::uint16_t type, const ntsaead::Bytes &body)
{
    if (fieldSize(body.size()) > 0xffff)
        return false;
    putU16(out, type);
    putU16(out, std::uint16_t(fieldSize(body.size())));
    putPadded(out, body);
    return true;
}

struct Field
{
    std::uint16_t type = 0;
    std::size_t start = 0; // of the field's header
    const std::uint8_t *body = nullptr;
    std::size_t size = 0; // of the body, padding included
};

// The well-formed fields from `start` on; reading stops at the first malformed one.
std::vector<Field> fields(const std::uint8_t *data, std::size_t size, std::size_t start)
{
    std::vector<Field> found;
    for (std::size_t at = start; at + 4 <= size;) {
        const std::size_t length = readU16(data + at + 2);
        if (length < 4 || length % 4 != 0 || at + length > size)
            break;
        found.push_back(Field{std::uint16_t(readU16(data + at)), at, data + at + 4, length - 4});
        at += length;
    }
    return found;
}

} // namespace

std::size_t requestSize(std::size_t cookieSize, std::size_t placeholders)
{
    const std::size_t authenticator = fieldSize(4 + padded(kNonceSize) + padded(ntsaead::kTagSize));
    return ntppacket::kHeaderSize + fieldSize(kUniqueIdSize) + (1 + placeholders) * fieldSize(cookieSize)
           + authenticator;
}

ntsaead::Bytes encodeRequest(const ntppacket::Request &header, const RequestParts &parts,
                             const ntsaead::Key &clientToServer)
{
    ntsaead::Bytes packet(header.begin(), header.end());
    if (!putField(packet, kUniqueIdentifier, parts.uniqueId) || !putField(packet, kCookie, parts.cookie))
        return {};
    for (std::size_t i = 0; i < parts.placeholders; ++i)
        putField(packet, kCookiePlaceholder, ntsaead::Bytes(parts.cookie.size()));
    const ntsaead::Bytes sealed = ntsaead::seal(clientToServer, {packet, parts.nonce}, {});
    if (sealed.empty())
        return {};
    ntsaead::Bytes body;
    putU16(body, std::uint16_t(parts.nonce.size()));
    putU16(body, std::uint16_t(sealed.size()));
    putPadded(body, parts.nonce);
    putPadded(body, sealed);
    if (!putField(packet, kAuthenticator, body))
        return {};
    return packet;
}

std::optional<ntsaead::Bytes> uniqueIdOf(const std::uint8_t *data, std::size_t size)
{
    for (const Field &field : fields(data, size, ntppacket::kHeaderSize)) {
        if (field.type == kAuthenticator)
            break;
        if (field.type == kUniqueIdentifier)
            return ntsaead::Bytes(field.body, field.body + field.size);
    }
    return std::nullopt;
}

std::optional<std::vector<ntsaead::Bytes>> openReply(const std::uint8_t *data, std::size_t size,
                                                     const ntsaead::Bytes &uniqueId, const ntsaead::Key &serverToClient)
{
    if (uniqueIdOf(data, size) != uniqueId)
        return std::nullopt;
    for (const Field &field : fields(data, size, ntppacket::kHeaderSize)) {
        if (field.type != kAuthenticator)
            continue;
        const std::size_t nonceSize = field.size >= 4 ? readU16(field.body) : 0;
        const std::size_t sealedSize = field.size >= 4 ? readU16(field.body + 2) : 0;
        if (field.size < 4 + padded(nonceSize) + padded(sealedSize) || nonceSize == 0)
            return std::nullopt;
        const std::uint8_t *nonce = field.body + 4;
        const std::uint8_t *sealed = nonce + padded(nonceSize);
        const std::optional<ntsaead::Bytes> plaintext = ntsaead::open(
            serverToClient, {ntsaead::Bytes(data, data + field.start), ntsaead::Bytes(nonce, nonce + nonceSize)},
            ntsaead::Bytes(sealed, sealed + sealedSize));
        if (!plaintext)
            return std::nullopt;
        std::vector<ntsaead::Bytes> cookies;
        for (const Field &inner : fields(plaintext->data(), plaintext->size(), 0))
            if (inner.type == kCookie)
                cookies.emplace_back(inner.body, inner.body + inner.size);
        return cookies;
    }
    return std::nullopt;
}

} // namespace ntsfields
