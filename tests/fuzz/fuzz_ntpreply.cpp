// libFuzzer harness for the reply parser and checks: arbitrary datagrams must
// never crash, and whatever is accepted must satisfy every rule of a reply.
#include "ntppacket.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr ntppacket::Timestamp kKey = 0x0123456789abcdefULL;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkAccepted(const ntppacket::ReplyFields &reply, ntppacket::Timestamp key)
{
    require(reply.origin == key);
    require(reply.mode == ntppacket::kModeServer);
    require(reply.version >= 1 && reply.version <= 4);
    require(reply.leap != ntppacket::kLeapAlarm);
    require(reply.stratum >= 1 && reply.stratum <= 15);
    require(reply.transmit != 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const bool accepted = ntppacket::isAcceptedReply(data, size, kKey);
    const std::optional<ntppacket::ReplyFields> reply = ntppacket::parseReply(data, size);
    require(bool(reply) == (size >= ntppacket::kHeaderSize));
    if (!reply) {
        require(!accepted);
        return 0;
    }
    require(accepted == (ntppacket::checkReply(*reply, kKey) == ntppacket::Verdict::Accepted));
    if (accepted)
        checkAccepted(*reply, kKey);
    // Judged against its own origin, the datagram reaches every later rule.
    if (ntppacket::checkReply(*reply, reply->origin) == ntppacket::Verdict::Accepted)
        checkAccepted(*reply, reply->origin);

    // The arithmetic takes any four timestamps without overflow.
    const ntppacket::Measurement m =
        ntppacket::measure(reply->origin, reply->receive, reply->transmit, kKey ^ reply->receive);
    ntppacket::roundToMs(m.offsetNs);
    ntppacket::roundToMs(m.delayNs);
    require(ntppacket::differenceNs(reply->receive, reply->transmit) ==
            -ntppacket::differenceNs(reply->transmit, reply->receive) ||
            reply->receive - reply->transmit == (std::uint64_t{1} << 63));
    return 0;
}
