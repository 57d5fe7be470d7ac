#pragma once

// The NTS key exchange (RFC 8915, section 4): TLS 1.3 with ALPN "ntske/1" to the server's key
// exchange port, NTPv4 with AEAD_AES_SIV_CMAC_256 asked for, keys from the TLS exporter. Blocking,
// until a deadline at the latest: it runs on a worker thread, never on the window's.

#include "ntsaead.h"
#include "platform/tcpconnection.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace ntske {

struct Session
{
    ntsaead::Key clientToServer{};
    ntsaead::Key serverToClient{};
    std::vector<ntsaead::Bytes> cookies;
    std::string ntpHost; // the address the key exchange reached, unless the server named another
    std::uint16_t ntpPort = 123;
};

enum class Outcome { Established, Unreachable, Untrusted, Refused };

struct Result
{
    Outcome outcome = Outcome::Unreachable;
    std::string detail; // the system's or the TLS library's reason, for a tooltip
    Session session;
};

// trustedPemFile: further trusted certificates beside the system's store, or empty. Every step after
// the name lookup ends by the deadline, with "timed out" as the detail. *connected, where given, turns true
// once the server has taken the connection; a result that is Unreachable never reached it.
Result exchange(const std::string &host, std::uint16_t port, const std::string &trustedPemFile,
                platform::Deadline deadline, std::atomic<bool> *connected = nullptr);

// The records of a request, and the reading of a response into a session (keys aside); the detail
// of what is wrong with it otherwise. Apart from the TLS, so that they can be tested alone.
ntsaead::Bytes requestRecords();
bool readResponse(const ntsaead::Bytes &records, Session &session, std::string &detail);

} // namespace ntske
