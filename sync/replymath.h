#pragma once

#include <QtGlobal>

// The arithmetic of judging a reply, kept apart from the window so it can be checked alone.
namespace replymath {

// True when |offsetMs| is strictly greater than limitSeconds x 1000 ms. Computed in 64 bits,
// so large limits (up to 2^32 - 1 s) and the most negative offset do not wrap.
bool beyondLimit(qint64 offsetMs, quint32 limitSeconds);

} // namespace replymath
