// The set-time helper as the benchmark runs it: it notes, in clock.log beside itself, the time it was
// asked to move the clock to and when, as the recording clock does, and moves nothing.
#include "platform/clockoffset.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <string>

#include <unistd.h>

int platform::moveClockBy(std::int64_t offsetNs)
{
    using namespace std::chrono;
    const std::int64_t nowNs = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    const std::int64_t askedMs = (nowNs + offsetNs) / 1000000;
    char exe[PATH_MAX] = {};
    if (readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0)
        return EIO;
    std::string log(exe);
    log = log.substr(0, log.rfind('/')) + "/clock.log";
    const std::time_t seconds = askedMs / 1000;
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", std::gmtime(&seconds));
    FILE *file = std::fopen(log.c_str(), "a");
    if (!file)
        return EIO;
    std::fprintf(file, "%s.%03dZ %lld\n", when, int(askedMs % 1000), static_cast<long long>(nowNs / 1000));
    std::fclose(file);
    return 0;
}
