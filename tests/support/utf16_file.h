// Builds files the way the Windows private-profile functions store them, so
// tests can compare our INI bytes with the system's exactly.
#pragma once
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace testsupport {

// UTF-16LE text behind a byte-order mark.
inline std::string utf16File(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace testsupport
