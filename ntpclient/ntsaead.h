#pragma once

// AEAD_AES_SIV_CMAC_256 (RFC 5297), the one algorithm NTS packets are sealed with here: OpenSSL's
// "AES-128-SIV", but for the tag of an empty plaintext, which OpenSSL before 3.5 does not give.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ntsaead {

constexpr std::size_t kKeySize = 32;
constexpr std::size_t kTagSize = 16;
constexpr std::uint16_t kAlgorithmId = 15;

using Key = std::array<std::uint8_t, kKeySize>;
using Bytes = std::vector<std::uint8_t>;

// The associated data's components, in order; NTS gives the packet so far, then the nonce.
using Components = std::vector<Bytes>;

// The tag followed by the ciphertext; empty only when the crypto library fails.
Bytes seal(const Key &key, const Components &associated, const Bytes &plaintext);

// The plaintext, or none when the tag does not match.
std::optional<Bytes> open(const Key &key, const Components &associated, const Bytes &sealed);

} // namespace ntsaead
