// Little-endian fields of the program's byte formats, written and read one
// byte at a time so the result never depends on the host's byte order.
#pragma once
#include <cstdint>
#include <string>

inline uint8_t* putLe16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    return at + 2;
}

inline uint8_t* putLe32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    return at + 4;
}

inline uint8_t* putLe64(uint8_t* at, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    return at + 8;
}

inline uint16_t getLe16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t getLe32(const uint8_t* at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(at[i]) << (8 * i);
    return value;
}

inline uint64_t getLe64(const uint8_t* at)
{
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value |= static_cast<uint64_t>(at[i]) << (8 * i);
    return value;
}

// The same fields appended to a growing byte string.
inline void appendLe16(std::string& out, uint16_t value)
{
    uint8_t bytes[2];
    putLe16(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 2);
}

inline void appendLe32(std::string& out, uint32_t value)
{
    uint8_t bytes[4];
    putLe32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}
