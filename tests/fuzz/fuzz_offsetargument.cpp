// libFuzzer harness for the set-time helper's argument: no text may crash the parser, and what it takes
// is a number within the limit, given back whole by the split.
#include "offsetargument.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // An argument ends at its first NUL, as argv hands it over.
    std::string text(reinterpret_cast<const char *>(data), size);
    text.resize(text.find('\0') == std::string::npos ? size : text.find('\0'));
    const std::optional<std::int64_t> offset = offsetargument::parse(text.c_str());
    if (!offset)
        return 0;
    if (*offset > offsetargument::kLimitNs || *offset < -offsetargument::kLimitNs
        || text.find_first_not_of("-0123456789") != std::string::npos)
        std::abort();
    const offsetargument::Split split = offsetargument::split(*offset);
    if (split.nanoseconds < 0 || split.nanoseconds >= 1000000000
        || split.seconds * 1000000000 + split.nanoseconds != *offset)
        std::abort();
    return 0;
}
