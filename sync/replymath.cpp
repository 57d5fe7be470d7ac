#include "sync/replymath.h"

namespace replymath {

namespace {
quint64 magnitude(qint64 value)
{
    // Negating in unsigned arithmetic keeps the most negative value representable.
    return value < 0 ? quint64(0) - quint64(value) : quint64(value);
}
} // namespace

bool beyondLimit(qint64 offsetMs, quint32 limitSeconds)
{
    const quint64 thresholdMs = quint64(limitSeconds) * 1000u;
    return magnitude(offsetMs) > thresholdMs;
}

} // namespace replymath
