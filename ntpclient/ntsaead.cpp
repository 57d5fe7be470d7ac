#include "ntsaead.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <memory>

namespace ntsaead {
namespace {

using Block = std::array<std::uint8_t, 16>;

// CMAC with the key's first half over one string.
std::optional<Block> cmac(const Key &key, const std::uint8_t *data, std::size_t size)
{
    const std::unique_ptr<EVP_MAC, decltype(&EVP_MAC_free)> mac(EVP_MAC_fetch(nullptr, "CMAC", nullptr), EVP_MAC_free);
    const std::unique_ptr<EVP_MAC_CTX, decltype(&EVP_MAC_CTX_free)> context(mac ? EVP_MAC_CTX_new(mac.get()) : nullptr,
                                                                            EVP_MAC_CTX_free);
    char cipher[] = "AES-128-CBC";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, cipher, 0),
                                 OSSL_PARAM_construct_end()};
    Block out{};
    std::size_t written = 0;
    if (!context || !EVP_MAC_init(context.get(), key.data(), 16, params) || !EVP_MAC_update(context.get(), data, size)
        || !EVP_MAC_final(context.get(), out.data(), &written, out.size()) || written != out.size())
        return std::nullopt;
    return out;
}

// Doubling in GF(2^128), then the string folded in.
void doubleAndAdd(Block &d, const Block &add)
{
    const std::uint8_t carry = d[0] & 0x80 ? 0x87 : 0;
    for (std::size_t i = 0; i < 16; ++i)
        d[i] = std::uint8_t((d[i] << 1) | (i + 1 < 16 ? d[i + 1] >> 7 : 0)) ^ add[i];
    d[15] ^= carry;
}

// The tag of an empty plaintext, which every client request seals: S2V (RFC 5297) ending in the padded
// empty string. OpenSSL's SIV before 3.5 takes no empty plaintext and leaves the tag zero.
std::optional<Block> emptyPlaintextTag(const Key &key, const Components &associated)
{
    const Block zero{};
    std::optional<Block> d = cmac(key, zero.data(), zero.size());
    for (const Bytes &part : associated) {
        const std::optional<Block> mac = cmac(key, part.data(), part.size());
        if (!d || !mac)
            return std::nullopt;
        doubleAndAdd(*d, *mac);
    }
    if (!d)
        return std::nullopt;
    Block padding{};
    padding[0] = 0x80;
    doubleAndAdd(*d, padding);
    return cmac(key, d->data(), d->size());
}

using Cipher = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// OpenSSL's AEAD_AES_SIV_CMAC_256 with the key and the associated data's components, in order, given;
// with the tag too for opening, which SIV takes as the counter's start.
Cipher sivWith(const Key &key, const Components &associated, bool sealing, const std::uint8_t *tag = nullptr)
{
    const std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> siv(EVP_CIPHER_fetch(nullptr, "AES-128-SIV", nullptr),
                                                                      EVP_CIPHER_free);
    Cipher context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int written = 0;
    if (!siv || !context || !EVP_CipherInit_ex2(context.get(), siv.get(), key.data(), nullptr, sealing, nullptr)
        || (tag
            && !EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_SET_TAG, int(kTagSize),
                                    const_cast<std::uint8_t *>(tag))))
        return Cipher(nullptr, EVP_CIPHER_CTX_free);
    // An empty component would be skipped by the library, not counted; NTS never gives one.
    for (const Bytes &part : associated)
        if (part.empty() || !EVP_CipherUpdate(context.get(), nullptr, &written, part.data(), int(part.size())))
            return Cipher(nullptr, EVP_CIPHER_CTX_free);
    return context;
}

} // namespace

Bytes seal(const Key &key, const Components &associated, const Bytes &plaintext)
{
    if (plaintext.empty()) {
        const std::optional<Block> tag = emptyPlaintextTag(key, associated);
        return tag ? Bytes(tag->begin(), tag->end()) : Bytes();
    }
    const Cipher siv = sivWith(key, associated, true);
    Bytes sealed(kTagSize + plaintext.size());
    int written = 0, finalWritten = 0;
    if (!siv
        || !EVP_CipherUpdate(siv.get(), sealed.data() + kTagSize, &written, plaintext.data(), int(plaintext.size()))
        || !EVP_CipherFinal_ex(siv.get(), sealed.data() + kTagSize + written, &finalWritten)
        || !EVP_CIPHER_CTX_ctrl(siv.get(), EVP_CTRL_AEAD_GET_TAG, int(kTagSize), sealed.data()))
        return {};
    return sealed;
}

std::optional<Bytes> open(const Key &key, const Components &associated, const Bytes &sealed)
{
    if (sealed.size() == kTagSize) {
        const std::optional<Block> tag = emptyPlaintextTag(key, associated);
        return tag && CRYPTO_memcmp(tag->data(), sealed.data(), kTagSize) == 0 ? std::optional(Bytes()) : std::nullopt;
    }
    const Cipher siv = sealed.size() > kTagSize ? sivWith(key, associated, false, sealed.data())
                                                : Cipher(nullptr, EVP_CIPHER_CTX_free);
    Bytes plaintext(sealed.size() - std::min(sealed.size(), kTagSize));
    int written = 0, finalWritten = 0;
    // The library checks the tag and gives nothing of a plaintext that does not match it.
    if (!siv
        || !EVP_CipherUpdate(siv.get(), plaintext.data(), &written, sealed.data() + kTagSize, int(plaintext.size()))
        || !EVP_CipherFinal_ex(siv.get(), plaintext.data() + written, &finalWritten))
        return std::nullopt;
    return plaintext;
}

} // namespace ntsaead
