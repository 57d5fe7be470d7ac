#pragma once

// The client side of the NTP on-wire exchange (RFC 5905, RFC 4330): building a
// request, checking a reply, and turning the four timestamps into offset and delay.
// Plain C++ without Qt, so that it can be fuzzed and tested on its own.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace ntppacket {

// 32.32 fixed-point seconds since the start of an NTP era. Differences are taken
// modulo 2^64 and read as signed, so they stay right across an era rollover.
using Timestamp = std::uint64_t;

constexpr std::size_t kHeaderSize = 48;
constexpr std::uint8_t kModeClient = 3;
constexpr std::uint8_t kModeServer = 4;
constexpr std::uint8_t kLeapAlarm = 3;

using Request = std::array<std::uint8_t, kHeaderSize>;

// LI 0, the given version, mode 3, every field zero except the transmit
// timestamp, which carries the caller's random key instead of the local time.
Request encodeRequest(std::uint8_t version, Timestamp key);

// The fields of a reply header that the client looks at.
struct ReplyFields
{
    std::uint8_t leap = 0;
    std::uint8_t version = 0;
    std::uint8_t mode = 0;
    std::uint8_t stratum = 0;
    std::array<char, 4> referenceId{}; // the kiss code when stratum is 0
    Timestamp origin = 0;
    Timestamp receive = 0;
    Timestamp transmit = 0;
};

// Reads the header; anything past the first 48 bytes (extension fields, MAC) is
// ignored. Empty when the datagram is too short to be a reply.
std::optional<ReplyFields> parseReply(const std::uint8_t *data, std::size_t size);

enum class Verdict {
    Accepted,
    WrongMode,
    BadVersion,
    LeapAlarm,
    KissOfDeath,
    BadStratum,
    ZeroTransmit,
    WrongOrigin,
};

// The client's checks on a parsed reply to the request sent with `key`.
Verdict checkReply(const ReplyFields &reply, Timestamp key);

// Parse and check in one step; a too short datagram is never accepted.
bool isAcceptedReply(const std::uint8_t *data, std::size_t size, Timestamp key);

// Signed difference a - b in nanoseconds, valid while the true distance is
// below 2^31 seconds (68 years), whatever eras a and b fall in.
std::int64_t differenceNs(Timestamp a, Timestamp b);

struct Measurement
{
    std::int64_t offsetNs = 0; // positive when the server is ahead
    std::int64_t delayNs = 0;
};

// t1 request sent (local), t2 request received (server), t3 reply sent (server),
// t4 reply received (local).
Measurement measure(Timestamp t1, Timestamp t2, Timestamp t3, Timestamp t4);

// When a request left (t1): some moment of its send, from sendStart to sendEnd, and no later than its
// reply's arrival t4 less the time t3 - t2 the server held it. The middle of that span is the best guess,
// off by half of it at most; the measured delay is never below zero.
Timestamp departure(Timestamp sendStart, Timestamp sendEnd, Timestamp t2, Timestamp t3, Timestamp t4);

// Nanoseconds to milliseconds, rounded to the nearest, halves away from zero.
std::int64_t roundToMs(std::int64_t ns);

// Wall-clock time in NTP format; the era is dropped, as on the wire.
Timestamp fromSystemTime(std::chrono::system_clock::time_point time);

} // namespace ntppacket
