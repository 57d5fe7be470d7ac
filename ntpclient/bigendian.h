#pragma once

#include <cstdint>
#include <vector>

// The 16-bit big-endian fields of NTS records and extension fields.
namespace bigendian {

inline void putU16(std::vector<std::uint8_t> &out, std::uint16_t value)
{
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value & 0xff));
}

inline std::uint16_t readU16(const std::uint8_t *at)
{
    return std::uint16_t((at[0] << 8) | at[1]);
}

} // namespace bigendian
