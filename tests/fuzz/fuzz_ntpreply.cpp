// libFuzzer harness for the reply parser and its checks: no datagram may crash them, and every
// reply they accept keeps every rule of a reply.
#include "ntppacket.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::optional<ntppacket::ReplyFields> r = ntppacket::parseReply(data, size);
    if (bool(r) != (size >= ntppacket::kHeaderSize))
        std::abort();
    // Judged against its own origin, the datagram reaches every later rule.
    if (r && ntppacket::isAcceptedReply(data, size, r->origin)
        && !(r->mode == 4 && r->version >= 1 && r->version <= 4 && r->leap != 3 && r->stratum >= 1 && r->stratum <= 15
             && r->transmit))
        std::abort();
    // Nor is a reply to another request.
    if (ntppacket::isAcceptedReply(data, size, 0x0123456789abcdefULL) && r->origin != 0x0123456789abcdefULL)
        std::abort();
    // The arithmetic takes any four timestamps without overflow.
    if (r)
        ntppacket::roundToMs(ntppacket::measure(r->origin, r->receive, r->transmit, r->receive ^ 1).offsetNs);
    return 0;
}
