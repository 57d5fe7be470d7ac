#include "offsetargument.h"

#include <cstring>

namespace offsetargument {

std::optional<std::int64_t> parse(const char *text)
{
    if (text == nullptr)
        return std::nullopt;
    const bool negative = text[0] == '-';
    const char *digits = text + negative;
    const std::size_t count = std::strlen(digits);
    // 19 digits hold every value up to the limit; leading zeros beyond that are refused with them.
    if (count == 0 || count > 19 || std::strspn(digits, "0123456789") != count)
        return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int digit = digits[i] - '0';
        if (value > (kLimitNs - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

Split split(std::int64_t offsetNs)
{
    constexpr std::int64_t kSecond = 1000000000;
    std::int64_t seconds = offsetNs / kSecond, nanoseconds = offsetNs % kSecond;
    if (nanoseconds < 0) {
        seconds -= 1;
        nanoseconds += kSecond;
    }
    return {seconds, nanoseconds};
}

} // namespace offsetargument
