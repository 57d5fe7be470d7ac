// chronvale-settime <nanoseconds>: moves the system clock by that offset, at the moment it runs, and
// nothing else. It holds the right to set the clock so that the program need not: it reads no file and
// no variable, and takes nothing but one number.
#include "offsetargument.h"
#include "platform/clockoffset.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    clearenv();
    const std::optional<std::int64_t> offset = argc == 2 ? offsetargument::parse(argv[1]) : std::nullopt;
    if (!offset) {
        std::fputs("usage: chronvale-settime <offset in nanoseconds, within 68 years>\n", stderr);
        return 2;
    }
    const int error = platform::moveClockBy(*offset);
    if (error != 0)
        std::fprintf(stderr, "chronvale-settime: %s\n", std::strerror(error));
    // 3: this user may not set the clock, which the program tells apart from any other failure.
    return error == 0 ? 0 : error == EPERM ? 3 : 1;
}
