// libFuzzer harness for a request to the Windows set-time service, read a piece at a time: no bytes may
// crash the parser; whatever comes after a whole request, or after a refused one, is refused; and what it
// takes is a number within the limit, ended by its one newline.
#include "offsetargument.h"
#include "setrequest.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *bytes = reinterpret_cast<const char *>(data);
    bool ended = false;
    for (std::size_t read = 0; read <= size; ++read) {
        const setrequest::Request request = setrequest::parse(bytes, read);
        if (ended && request.state != setrequest::State::Refused)
            std::abort();
        ended = ended || request.state != setrequest::State::Incomplete;
        if (request.state == setrequest::State::Incomplete
            && (read >= setrequest::kMaxBytes || std::memchr(bytes, '\n', read)))
            std::abort();
        if (request.state == setrequest::State::Complete
            && (request.offsetNs > offsetargument::kLimitNs || request.offsetNs < -offsetargument::kLimitNs
                || bytes[read - 1] != '\n' || std::memchr(bytes, '\n', read - 1)))
            std::abort();
    }
    return 0;
}
