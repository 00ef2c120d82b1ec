// Reading and writing one value of an INI file in the system's private
// profile format: UTF-16LE after the byte-order mark FF FE, a "[Section]"
// line, "key=value" lines, each line ending in CR LF. Section and key names
// compare without regard to ASCII case.
#pragma once
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace platform {

// Creates the file, or empties an existing one, leaving only the byte-order
// mark, which makes every later write store UTF-16 text. A file that cannot
// be created is not reported here: the first write fails instead.
inline void startUtf16IniFile(const std::filesystem::path& file)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc).write("\xFF\xFE", 2);
}

// Longest value handed back, in UTF-16 units (a 32768-unit buffer with its terminator).
inline constexpr size_t kIniValueLimit = 32767;

// The value, cut to kIniValueLimit units; fallback when the file, the
// section or the key is missing or the file cannot be read.
std::u16string readIniString(const std::filesystem::path& file, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback);

// Sets key=value in the section, adding the section and key when missing.
// False when the file could not be written.
bool writeIniString(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
                    std::u16string_view value);

} // namespace platform
