#pragma once

#include "ntppacket.h"
#include "ntpreply.h"

// The reply as handed over now: the server's time is the time it is at this moment, to the nearest
// millisecond, as wall-clock fields 8 hours ahead of UTC.
NtpReply replyHandedOverNow(const ntppacket::Measurement &measurement);

// A random transmit timestamp for a request, never zero.
ntppacket::Timestamp freshKey();
