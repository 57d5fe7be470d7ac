#pragma once

#include <cstdint>
#include <optional>

// The helper's one argument: a whole number of nanoseconds, "-" allowed, nothing else around it.
namespace offsetargument {

// Far beyond any real correction, and inside what a 32-bit time of day can reach either way.
constexpr std::int64_t kLimitNs = 68LL * 365 * 24 * 3600 * 1000000000LL;

std::optional<std::int64_t> parse(const char *text);

// The offset as whole seconds, rounded down, and the nanoseconds left over, 0 to 999,999,999.
struct Split
{
    std::int64_t seconds;
    std::int64_t nanoseconds;
};
Split split(std::int64_t offsetNs);

} // namespace offsetargument
