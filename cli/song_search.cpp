#include "cli/song_search.h"

#include <algorithm>
#include <set>
#include <string>

#include "audio/song_formats.h"

namespace {

std::vector<std::filesystem::path> songsInFolder(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> songs;
    std::error_code error;
    const auto options = std::filesystem::directory_options::skip_permission_denied;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, options, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::error_code unreadable;
        if (it->is_regular_file(unreadable) && isSongFile(it->path()))
            songs.push_back(it->path());
    }
    std::sort(songs.begin(), songs.end());
    return songs;
}

} // namespace

bool isSongFile(const std::filesystem::path& path)
{
    // Bytes, never the narrow conversion, which may throw on Windows for a
    // name the code page cannot hold.
    const std::u8string bytes = path.extension().u8string();
    std::string extension(bytes.begin(), bytes.end());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return std::find(kSongExtensions.begin(), kSongExtensions.end(), extension) != kSongExtensions.end();
}

std::vector<std::filesystem::path> findSongs(const std::vector<std::filesystem::path>& inputs)
{
    std::vector<std::filesystem::path> songs;
    std::set<std::filesystem::path> seen;
    const auto keep = [&](const std::filesystem::path& song) {
        std::error_code unresolved;
        std::filesystem::path identity = std::filesystem::weakly_canonical(song, unresolved);
        if (unresolved)
            identity = song;
        if (seen.insert(identity).second)
            songs.push_back(song);
    };
    for (const std::filesystem::path& input : inputs) {
        std::error_code error;
        if (std::filesystem::is_directory(input, error)) {
            for (const std::filesystem::path& song : songsInFolder(input))
                keep(song);
        } else {
            keep(input);
        }
    }
    return songs;
}
