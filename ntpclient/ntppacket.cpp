#include "ntppacket.h"

#include <algorithm>

namespace ntppacket {
namespace {

constexpr std::uint64_t kSecondsFrom1900To1970 = 2208988800u;
constexpr std::int64_t kNsPerSecond = 1000000000;
constexpr std::size_t kOriginAt = 24;
constexpr std::size_t kReceiveAt = 32;
constexpr std::size_t kTransmitAt = 40;

void putTimestamp(std::uint8_t *at, Timestamp value)
{
    for (int i = 7; i >= 0; --i) {
        at[i] = static_cast<std::uint8_t>(value & 0xff);
        value >>= 8;
    }
}

Timestamp readTimestamp(const std::uint8_t *at)
{
    Timestamp value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | at[i];
    return value;
}

} // namespace

Request encodeRequest(std::uint8_t version, Timestamp key)
{
    Request packet{};
    packet[0] = static_cast<std::uint8_t>(((version & 0x7) << 3) | kModeClient);
    putTimestamp(packet.data() + kTransmitAt, key);
    return packet;
}

std::optional<ReplyFields> parseReply(const std::uint8_t *data, std::size_t size)
{
    if (data == nullptr || size < kHeaderSize)
        return std::nullopt;
    ReplyFields reply;
    reply.leap = static_cast<std::uint8_t>(data[0] >> 6);
    reply.version = static_cast<std::uint8_t>((data[0] >> 3) & 0x7);
    reply.mode = static_cast<std::uint8_t>(data[0] & 0x7);
    reply.stratum = data[1];
    for (std::size_t i = 0; i < reply.referenceId.size(); ++i)
        reply.referenceId[i] = static_cast<char>(data[12 + i]);
    reply.origin = readTimestamp(data + kOriginAt);
    reply.receive = readTimestamp(data + kReceiveAt);
    reply.transmit = readTimestamp(data + kTransmitAt);
    return reply;
}

Verdict checkReply(const ReplyFields &reply, Timestamp key)
{
    if (reply.origin != key)
        return Verdict::WrongOrigin;
    if (reply.mode != kModeServer)
        return Verdict::WrongMode;
    if (reply.version < 1 || reply.version > 4)
        return Verdict::BadVersion;
    // A kiss-o'-death usually also carries LI 3, so it is told apart first.
    if (reply.stratum == 0)
        return Verdict::KissOfDeath;
    if (reply.stratum > 15)
        return Verdict::BadStratum;
    if (reply.leap == kLeapAlarm)
        return Verdict::LeapAlarm;
    if (reply.transmit == 0)
        return Verdict::ZeroTransmit;
    return Verdict::Accepted;
}

bool isAcceptedReply(const std::uint8_t *data, std::size_t size, Timestamp key)
{
    const std::optional<ReplyFields> reply = parseReply(data, size);
    return reply && checkReply(*reply, key) == Verdict::Accepted;
}

std::int64_t differenceNs(Timestamp a, Timestamp b)
{
    const Timestamp forward = a - b;
    const bool negative = (forward >> 63) != 0;
    const std::uint64_t magnitude = negative ? Timestamp{0} - forward : forward;
    const std::uint64_t seconds = magnitude >> 32;
    const std::uint64_t fraction = magnitude & 0xffffffffu;
    const std::uint64_t fractionNs = (fraction * kNsPerSecond + (std::uint64_t{1} << 31)) >> 32;
    const auto ns = static_cast<std::int64_t>(seconds * kNsPerSecond + fractionNs);
    return negative ? -ns : ns;
}

Measurement measure(Timestamp t1, Timestamp t2, Timestamp t3, Timestamp t4)
{
    Measurement result;
    result.offsetNs = (differenceNs(t2, t1) + differenceNs(t3, t4)) / 2;
    result.delayNs = differenceNs(t4, t1) - differenceNs(t3, t2);
    return result;
}

Timestamp departure(Timestamp sendStart, Timestamp sendEnd, Timestamp t2, Timestamp t3, Timestamp t4)
{
    constexpr std::int64_t kSecondNs = 1000000000;
    const std::int64_t latest =
        std::min(differenceNs(sendEnd, sendStart), differenceNs(t4, sendStart) - differenceNs(t3, t2));
    const std::int64_t half = std::clamp<std::int64_t>(latest, 0, kSecondNs) / 2; // a send of a second is no send
    return sendStart + Timestamp((std::uint64_t(half) << 32) / kSecondNs);
}

std::int64_t roundToMs(std::int64_t ns)
{
    constexpr std::int64_t kNsPerMs = 1000000;
    std::int64_t ms = ns / kNsPerMs;
    const std::int64_t rest = ns % kNsPerMs;
    if (rest >= kNsPerMs / 2)
        ++ms;
    else if (rest <= -kNsPerMs / 2)
        --ms;
    return ms;
}

Timestamp fromSystemTime(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<nanoseconds>(time.time_since_epoch());
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const auto subsecondNs = static_cast<std::uint64_t>((sinceEpoch - wholeSeconds).count());
    const auto ntpSeconds = static_cast<std::uint64_t>(wholeSeconds.count()) + kSecondsFrom1900To1970;
    return (ntpSeconds << 32) + (subsecondNs << 32) / kNsPerSecond;
}

} // namespace ntppacket
