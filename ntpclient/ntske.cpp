#include "ntske.h"

#include "bigendian.h"
#include "ntscookiejar.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
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
    // A close without TLS's own goodbye reads as the end; a response cut short is still told by its records.
    SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
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

// A TLS call on the non-blocking connection, made again each time the socket is ready for it, until it
// is done or the deadline has passed; the reason in detail when it fails.
template<typename Call>
int beforeDeadline(SSL *ssl, const platform::TcpConnection &connection, platform::Deadline deadline,
                   std::string &detail, Call call)
{
    for (;;) {
        ERR_clear_error();
        const int done = call();
        const int error = SSL_get_error(ssl, done);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
            if (done <= 0)
                detail = tlsErrors();
            return done;
        }
        if (!platform::waitTcp(connection, error == SSL_ERROR_WANT_WRITE, deadline)) {
            detail = "timed out";
            return -1;
        }
    }
}

bool endsWithEndOfMessage(const ntsaead::Bytes &records)
{
    for (std::size_t at = 0; at + 4 <= records.size(); at += 4 + readU16(&records[at + 2]))
        if ((readU16(&records[at]) & ~kCritical) == EndOfMessage
            && at + 4 + readU16(&records[at + 2]) <= records.size())
            return true;
    return false;
}

// Reads records up to and including End of Message; the reason when they do not come.
bool readRecords(SSL *ssl, const platform::TcpConnection &connection, platform::Deadline deadline,
                 ntsaead::Bytes &records, std::string &detail)
{
    std::uint8_t buffer[4096];
    while (!endsWithEndOfMessage(records)) {
        if (records.size() > kMostRecords) {
            detail = "no End of Message within 64 KiB";
            return false;
        }
        const int got =
            beforeDeadline(ssl, connection, deadline, detail, [&] { return SSL_read(ssl, buffer, sizeof buffer); });
        if (got <= 0)
            return false;
        records.insert(records.end(), buffer, buffer + got);
    }
    return true;
}

// An NTPv4 Server record's text: a host name of letters, digits and hyphens, or an IPv4 or IPv6 address.
bool isHostText(const std::string &text)
{
    constexpr char hex[] = "0123456789abcdefABCDEF:.";
    constexpr char letterDigitHyphen[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-";
    if (text.find(':') != std::string::npos)
        return text.find_first_not_of(hex) == std::string::npos && isAddressLiteral(text);
    if (text.empty() || text.size() > 253)
        return false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('.', start), text.size());
        const std::string label = text.substr(start, end - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-'
            || label.find_first_not_of(letterDigitHyphen) != std::string::npos)
            return false;
        start = end + 1;
    }
    return true;
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
    int protocols = 0;
    int algorithms = 0;
    bool ntpV4 = false;
    bool siv = false;
    const auto refuse = [&detail](const std::string &reason) {
        detail = reason;
        return false;
    };
    for (std::size_t at = 0; at + 4 <= records.size();) {
        const std::uint16_t type = readU16(&records[at]) & ~kCritical;
        const bool critical = readU16(&records[at]) & kCritical;
        const std::size_t size = readU16(&records[at + 2]);
        if (at + 4 + size > records.size())
            break;
        const ntsaead::Bytes body(records.begin() + long(at + 4), records.begin() + long(at + 4 + size));
        at += 4 + size;
        const std::uint16_t code = size >= 2 ? readU16(body.data()) : 0;
        if (type == EndOfMessage) {
            if (!ntpV4 || !siv || session.cookies.empty())
                return refuse(!ntpV4 ? "NTPv4 not offered" : !siv ? "AEAD_AES_SIV_CMAC_256 not offered" : "no cookie");
            return true;
        }
        // No warning codes are registered: any warning is one this client does not know, an error.
        if (type == Error || type == Warning)
            return refuse((type == Error ? "server error " : "server warning ") + std::to_string(code));
        // Exactly one of each in a response.
        if ((type == NextProtocol && ++protocols > 1) || (type == AeadAlgorithm && ++algorithms > 1))
            return refuse(type == NextProtocol ? "repeated Next Protocol record" : "repeated AEAD record");
        if (type == NextProtocol)
            ntpV4 = size == 2 && code == kProtocolNtpV4;
        else if (type == AeadAlgorithm)
            siv = size == 2 && code == ntsaead::kAlgorithmId;
        else if (type == NewCookie && !NtsCookieJar::fits(body))
            return refuse(body.empty() ? "empty cookie"
                                       : "cookie of " + std::to_string(size) + " bytes, too large for a request");
        else if (type == NewCookie)
            session.cookies.push_back(body);
        else if (type == NtpServer && !isHostText(std::string(body.begin(), body.end())))
            return refuse("NTP server record holds no host name or address");
        else if (type == NtpServer)
            session.ntpHost.assign(body.begin(), body.end());
        else if (type == NtpPort && (size != 2 || code == 0))
            return refuse("NTP port record holds no port");
        else if (type == NtpPort)
            session.ntpPort = code;
        else if (critical)
            return refuse("unknown critical record " + std::to_string(type));
    }
    return refuse("response cut short");
}

Result exchange(const std::string &host, std::uint16_t port, const std::string &trustedPemFile,
                platform::Deadline deadline, std::atomic<bool> *connected)
{
    Result result;
    platform::keepBrokenPipesFromEnding(); // a server that drops the connection must not end the program
    // The trust store is read before connecting: a server gives a key exchange only a few seconds.
    ERR_clear_error();
    const auto context = tlsContext(trustedPemFile, result.detail);
    const std::unique_ptr<SSL, decltype(&SSL_free)> ssl(context ? SSL_new(context.get()) : nullptr, SSL_free);
    if (!ssl)
        return result;
    const std::optional<platform::TcpConnection> connection = platform::connectTcp(host, port, deadline, result.detail);
    if (!connection)
        return result;
    if (connected)
        *connected = true;
    const std::unique_ptr<const platform::TcpConnection, void (*)(const platform::TcpConnection *)> closer(
        &*connection, [](const platform::TcpConnection *c) { platform::closeTcp(*c); });
    // No SNI for an address: servers close the connection on one. The address is checked instead.
    const bool literal = isAddressLiteral(host);
    result.outcome = Outcome::Refused;
    if (literal ? !X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl.get()), host.c_str())
                : !SSL_set_tlsext_host_name(ssl.get(), host.c_str()) || !SSL_set1_host(ssl.get(), host.c_str())) {
        result.detail = tlsErrors();
        return result;
    }
    SSL_set_fd(ssl.get(), int(connection->socket));
    const auto tls = [&](auto call) { return beforeDeadline(ssl.get(), *connection, deadline, result.detail, call); };
    if (tls([&] { return SSL_connect(ssl.get()); }) != 1) {
        const long verified = SSL_get_verify_result(ssl.get());
        result.outcome = verified != X509_V_OK ? Outcome::Untrusted : Outcome::Refused;
        if (verified != X509_V_OK)
            result.detail = X509_verify_cert_error_string(verified);
        return result;
    }
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
    if (tls([&] { return SSL_write(ssl.get(), request.data(), int(request.size())); }) != int(request.size())
        || !readRecords(ssl.get(), *connection, deadline, response, result.detail)
        || !readResponse(response, result.session, result.detail))
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
