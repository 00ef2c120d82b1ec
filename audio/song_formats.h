// The song formats the program offers to open: the console program searches
// folders for them and the window's open dialog lists them.
#pragma once
#include <array>
#include <string>
#include <string_view>

// Lower case, with the dot.
inline constexpr std::array<std::string_view, 8> kSongExtensions = {".mp3", ".wav", ".flac", ".ogg",
                                                                    ".m4a", ".aac", ".opus", ".wma"};

// "*.mp3;*.wav;…": what an open dialog filters on.
inline std::string songFilePattern()
{
    std::string pattern;
    for (std::string_view extension : kSongExtensions)
        pattern += (pattern.empty() ? "*" : ";*") + std::string(extension);
    return pattern;
}
