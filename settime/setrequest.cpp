#include "setrequest.h"

#include "offsetargument.h"

#include <cstring>
#include <string>

namespace setrequest {

Request parse(const char *data, std::size_t size)
{
    const auto *newline = static_cast<const char *>(std::memchr(data, '\n', size));
    const std::string text(data, newline ? std::size_t(newline - data) : size);
    // Garbage is refused as soon as it is seen; a newline must be the last byte.
    if (size > kMaxBytes || text.find_first_not_of("-0123456789") != std::string::npos
        || (newline && text.size() + 1 != size))
        return {State::Refused, 0};
    if (!newline)
        return {size < kMaxBytes ? State::Incomplete : State::Refused, 0};
    const std::optional<std::int64_t> offset = offsetargument::parse(text.c_str());
    return offset ? Request{State::Complete, *offset} : Request{State::Refused, 0};
}

} // namespace setrequest
