// Exact conversions between the program's UTF-8 strings and the paths and
// UTF-16 text the operating system wants.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

std::string pathToUtf8(const std::filesystem::path& path);
std::filesystem::path pathFromUtf8(std::string_view utf8);
// Paths as UTF-16 text, for INI values.
std::u16string pathToUtf16(const std::filesystem::path& path);
std::filesystem::path pathFromUtf16(std::u16string_view utf16);

// Invalid input is replaced by U+FFFD rather than rejected.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);
