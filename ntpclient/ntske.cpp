#include "ntske.h"

#include "bigendian.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "platform/tcpconnection.h"

#include <cstring>
#include <memory>

namespace ntske {
namespace {

using bigendian::putU16;
using bigendian::readU16;

enum RecordType : std::uint16_t {
    EndOfMessage = 0,
    NextProtocol = 1,
    Error = 2,
    Warning = 3,
    AeadAlgorithm = 4,
    NewCookie = 5,
    NtpServer = 6,
    NtpPort = 7,
};
constexpr std::uint16_t kCritical = 0x8000;
constexpr std::uint16_t kProtocolNtpV4 = 0;
constexpr char kExporterLabel[] = "EXPORTER-network-time-security";
constexpr std::size_t kMostRecords = 64 * 1024;

void putRecord(ntsaead::Bytes &out, std::uint16_t type, const ntsaead::Bytes &body)
{
    putU16(out, type);
    putU16(out, std::uint16_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

std::string tlsErrors()
{
    std::string text;
    while (const unsigned long code = ERR_get_error()) {
        char line[256];
        ERR_error_string_n(code, line, sizeof line);
        text += (text.empty() ? "" : "; ") + std::string(line);
    }
    return text.empty() ? "connection closed" : text;
}

// Whether host is an IPv4 or IPv6 address rather than a name.
bool isAddressLiteral(const std::string &host)
{
    ASN1_OCTET_STRING *address = a2i_IPADDRESS(host.c_str());
    ASN1_OCTET_STRING_free(address);
    return address != nullptr;
}

// Peer verification against the system's store and the given file, for the name or address typed.
std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> tlsContext(const std::string &trustedPemFile, std::string &detail)
{
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    static const unsigned char alpn[] = {7, 'n', 't', 's', 'k', 'e', '/', '1'};
    if (!context || !SSL_CTX_set_min_proto_version(context.get(), TLS1_3_VERSION)
        || SSL_CTX_set_alpn_protos(context.get(), alpn, sizeof alpn) != 0
        || !SSL_CTX_set_default_verify_paths(context.get())) {
        detail = tlsErrors();
        return {nullptr, SSL_CTX_free};
    }
    if (!trustedPemFile.empty() && !SSL_CTX_load_verify_locations(context.get(), trustedPemFile.c_str(), nullptr)) {
        detail = trustedPemFile + ": " + tlsErrors();
        return {nullptr, SSL_CTX_free};
    }
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    return context;
}

bool exportKeys(SSL *ssl, Session &session)
{
    const auto key = [&](ntsaead::Key &out, std::uint8_t direction) {
        const unsigned char context[] = {0, kProtocolNtpV4, 0, ntsaead::kAlgorithmId, direction};
        return SSL_export_keying_material(ssl, out.data(), out.size(), kExporterLabel, sizeof kExporterLabel - 1,
                                          context, sizeof context, 1)
               == 1;
    };
    return key(session.clientToServer, 0) && key(session.serverToClient, 1);
}

// Reads records up to and including End of Message.
bool readRecords(SSL *ssl, ntsaead::Bytes &records)
{
    std::uint8_t buffer[4096];
    for (;;) {
        for (std::size_t at = 0; at + 4 <= records.size(); at += 4 + readU16(&records[at + 2]))
            if ((readU16(&records[at]) & ~kCritical) == EndOfMessage
                && at + 4 + readU16(&records[at + 2]) <= records.size())
                return true;
        const int got = SSL_read(ssl, buffer, sizeof buffer);
        if (got <= 0 || records.size() > kMostRecords)
            return false;
        records.insert(records.end(), buffer, buffer + got);
    }
}

} // namespace

ntsaead::Bytes requestRecords()
{
    ntsaead::Bytes out;
    putRecord(out, kCritical | NextProtocol, {0, kProtocolNtpV4});
    putRecord(out, AeadAlgorithm, {0, std::uint8_t(ntsaead::kAlgorithmId)});
    putRecord(out, kCritical | EndOfMessage, {});
    return out;
}

bool readResponse(const ntsaead::Bytes &records, Session &session, std::string &detail)
{
    bool ntpV4 = false;
    bool siv = false;
    for (std::size_t at = 0; at + 4 <= records.size();) {
        const std::uint16_t type = readU16(&records[at]) & ~kCritical;
        const bool critical = readU16(&records[at]) & kCritical;
        const std::size_t size = readU16(&records[at + 2]);
        if (at + 4 + size > records.size())
            break;
        const ntsaead::Bytes body(records.begin() + long(at + 4), records.begin() + long(at + 4 + size));
        at += 4 + size;
        if (type == EndOfMessage) {
            if (!ntpV4 || !siv || session.cookies.empty()) {
                detail = !ntpV4 ? "NTPv4 not offered" : !siv ? "AEAD_AES_SIV_CMAC_256 not offered" : "no cookie";
                return false;
            }
            return true;
        }
        if (type == Error) {
            detail = "server error " + std::to_string(size >= 2 ? readU16(body.data()) : 0);
            return false;
        }
        if (type == NextProtocol)
            ntpV4 = size == 2 && readU16(body.data()) == kProtocolNtpV4;
        else if (type == AeadAlgorithm)
            siv = size == 2 && readU16(body.data()) == ntsaead::kAlgorithmId;
        else if (type == NewCookie && size > 0)
            session.cookies.push_back(body);
        else if (type == NtpServer && size > 0)
            session.ntpHost.assign(body.begin(), body.end());
        else if (type == NtpPort && size == 2)
            session.ntpPort = readU16(body.data());
        else if (critical && type != Warning) {
            detail = "unknown critical record " + std::to_string(type);
            return false;
        }
    }
    detail = "response cut short";
    return false;
}

Result exchange(const std::string &host, std::uint16_t port, const std::string &trustedPemFile, int timeoutMs)
{
    Result result;
    const std::optional<platform::TcpConnection> connection =
        platform::connectTcp(host, port, timeoutMs, result.detail);
    if (!connection)
        return result;
    const std::unique_ptr<const platform::TcpConnection, void (*)(const platform::TcpConnection *)> closer(
        &*connection, [](const platform::TcpConnection *c) { platform::closeTcp(*c); });
    ERR_clear_error();
    const auto context = tlsContext(trustedPemFile, result.detail);
    const std::unique_ptr<SSL, decltype(&SSL_free)> ssl(context ? SSL_new(context.get()) : nullptr, SSL_free);
    if (!ssl)
        return result;
    // No SNI for an address: servers close the connection on one. The address is checked instead.
    const bool literal = isAddressLiteral(host);
    if (literal ? !X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl.get()), host.c_str())
                : !SSL_set_tlsext_host_name(ssl.get(), host.c_str()) || !SSL_set1_host(ssl.get(), host.c_str())) {
        result.detail = tlsErrors();
        return result;
    }
    SSL_set_fd(ssl.get(), int(connection->socket));
    if (SSL_connect(ssl.get()) != 1) {
        const long verified = SSL_get_verify_result(ssl.get());
        result.outcome = verified != X509_V_OK ? Outcome::Untrusted : Outcome::Refused;
        result.detail = verified != X509_V_OK ? X509_verify_cert_error_string(verified) : tlsErrors();
        return result;
    }
    result.outcome = Outcome::Refused;
    const unsigned char *protocol = nullptr;
    unsigned int protocolSize = 0;
    SSL_get0_alpn_selected(ssl.get(), &protocol, &protocolSize);
    if (protocolSize != 7 || std::memcmp(protocol, "ntske/1", 7) != 0) {
        result.detail = "ntske/1 not agreed";
        return result;
    }
    const ntsaead::Bytes request = requestRecords();
    ntsaead::Bytes response;
    result.session.ntpHost = connection->peerAddress;
    if (SSL_write(ssl.get(), request.data(), int(request.size())) != int(request.size())
        || !readRecords(ssl.get(), response)) {
        result.detail = tlsErrors();
        return result;
    }
    if (!readResponse(response, result.session, result.detail))
        return result;
    if (!exportKeys(ssl.get(), result.session)) {
        result.detail = tlsErrors();
        return result;
    }
    SSL_shutdown(ssl.get());
    result.outcome = Outcome::Established;
    return result;
}

} // namespace ntske
