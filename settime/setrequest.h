#pragma once

#include <cstddef>
#include <cstdint>

// One request to the Windows set-time service, on one connection to its pipe: the offset in nanoseconds
// as the helper's argument takes it, then a newline, and nothing after it. The answer is one line too:
// "0" when the clock was moved, else the system's error code, a space and its text.
namespace setrequest {

constexpr wchar_t kServiceName[] = L"ChronvaleSetTime";
constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\ChronvaleSetTime";
constexpr std::size_t kMaxBytes = 21; // a sign, 19 digits and the newline

enum class State { Incomplete, Complete, Refused };

struct Request
{
    State state;
    std::int64_t offsetNs;
};

// What the bytes read so far make: more may come, a whole request, or one to drop the client for.
Request parse(const char *data, std::size_t size);

} // namespace setrequest
