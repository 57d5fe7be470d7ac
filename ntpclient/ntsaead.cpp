#include "ntsaead.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <memory>

namespace ntsaead {
namespace {

using Block = std::array<std::uint8_t, 16>;

struct MacContext
{
    EVP_MAC *mac = EVP_MAC_fetch(nullptr, "CMAC", nullptr);
    EVP_MAC_CTX *context = mac ? EVP_MAC_CTX_new(mac) : nullptr;
    ~MacContext()
    {
        EVP_MAC_CTX_free(context);
        EVP_MAC_free(mac);
    }
};

// CMAC with the first half of the key over one string.
std::optional<Block> cmac(const std::uint8_t *key, const std::uint8_t *data, std::size_t size)
{
    MacContext m;
    char cipher[] = "AES-128-CBC";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, cipher, 0),
                                 OSSL_PARAM_construct_end()};
    Block out{};
    std::size_t written = 0;
    if (!m.context || !EVP_MAC_init(m.context, key, 16, params) || !EVP_MAC_update(m.context, data, size)
        || !EVP_MAC_final(m.context, out.data(), &written, out.size()) || written != out.size())
        return std::nullopt;
    return out;
}

// Doubling in GF(2^128).
Block dbl(const Block &in)
{
    Block out{};
    for (std::size_t i = 0; i < 16; ++i)
        out[i] = static_cast<std::uint8_t>((in[i] << 1) | (i + 1 < 16 ? in[i + 1] >> 7 : 0));
    if (in[0] & 0x80)
        out[15] ^= 0x87;
    return out;
}

void xorInto(Block &d, const std::uint8_t *s)
{
    for (std::size_t i = 0; i < 16; ++i)
        d[i] ^= s[i];
}

// S2V over the associated data's components and the plaintext, in that order.
std::optional<Block> s2v(const std::uint8_t *key, const Components &associated, const Bytes &plaintext)
{
    const Block zero{};
    std::optional<Block> d = cmac(key, zero.data(), zero.size());
    for (const Bytes &part : associated) {
        const std::optional<Block> mac = cmac(key, part.data(), part.size());
        if (!d || !mac)
            return std::nullopt;
        d = dbl(*d);
        xorInto(*d, mac->data());
    }
    if (!d)
        return std::nullopt;
    Bytes last = plaintext;
    if (last.size() >= 16) {
        for (std::size_t i = 0; i < 16; ++i)
            last[last.size() - 16 + i] ^= (*d)[i];
    } else {
        Block padded{};
        std::copy(last.begin(), last.end(), padded.begin());
        padded[last.size()] = 0x80;
        const Block doubled = dbl(*d);
        xorInto(padded, doubled.data());
        last.assign(padded.begin(), padded.end());
    }
    return cmac(key, last.data(), last.size());
}

// AES-CTR with the second half of the key, counter from the synthetic IV with bits 31 and 63 cleared.
std::optional<Bytes> ctr(const std::uint8_t *key, Block iv, const std::uint8_t *data, std::size_t size)
{
    iv[8] &= 0x7f;
    iv[12] &= 0x7f;
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                                  EVP_CIPHER_CTX_free);
    Bytes out(size + 16);
    int written = 0;
    int finalWritten = 0;
    if (!context || !EVP_EncryptInit_ex(context.get(), EVP_aes_128_ctr(), nullptr, key, iv.data())
        || !EVP_EncryptUpdate(context.get(), out.data(), &written, data, int(size))
        || !EVP_EncryptFinal_ex(context.get(), out.data() + written, &finalWritten))
        return std::nullopt;
    out.resize(std::size_t(written + finalWritten));
    return out;
}

} // namespace

Bytes seal(const Key &key, const Components &associated, const Bytes &plaintext)
{
    const std::optional<Block> tag = s2v(key.data(), associated, plaintext);
    const std::optional<Bytes> ciphertext =
        tag ? ctr(key.data() + 16, *tag, plaintext.data(), plaintext.size()) : std::nullopt;
    if (!ciphertext)
        return {};
    Bytes sealed(tag->begin(), tag->end());
    sealed.insert(sealed.end(), ciphertext->begin(), ciphertext->end());
    return sealed;
}

std::optional<Bytes> open(const Key &key, const Components &associated, const Bytes &sealed)
{
    if (sealed.size() < kTagSize)
        return std::nullopt;
    Block tag{};
    std::copy(sealed.begin(), sealed.begin() + kTagSize, tag.begin());
    const std::optional<Bytes> plaintext =
        ctr(key.data() + 16, tag, sealed.data() + kTagSize, sealed.size() - kTagSize);
    const std::optional<Block> expected = plaintext ? s2v(key.data(), associated, *plaintext) : std::nullopt;
    if (!expected || CRYPTO_memcmp(expected->data(), tag.data(), kTagSize) != 0)
        return std::nullopt;
    return plaintext;
}

} // namespace ntsaead
