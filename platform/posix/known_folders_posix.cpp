#include "platform/known_folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::optional<std::filesystem::path> absoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return std::nullopt;  // unset, empty or relative values are ignored, as the XDG rules ask
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> homeFolder()
{
    if (auto home = absoluteFromEnvironment("HOME"))
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/')
        return std::filesystem::path(entry->pw_dir);
    return std::nullopt;
}

// XDG_MUSIC_DIR from user-dirs.dirs: a quoted "$HOME/..." or absolute path.
std::optional<std::filesystem::path> configuredMusicFolder(const std::filesystem::path& home)
{
    const std::filesystem::path config = absoluteFromEnvironment("XDG_CONFIG_HOME").value_or(home / ".config");
    std::ifstream in(config / "user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_MUSIC_DIR=";
    while (std::getline(in, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        std::string raw = line.substr(start + key.size());
        if (raw.size() < 2 || raw.front() != '"')
            continue;
        const size_t close = raw.rfind('"');
        if (close == 0)
            continue;
        std::string value;
        for (size_t i = 1; i < close; ++i) {
            if (raw[i] == '\\' && i + 1 < close)
                ++i;
            value.push_back(raw[i]);
        }
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/'))
            return std::filesystem::path(home.native() + value.substr(5));
        if (!value.empty() && value.front() == '/')
            return std::filesystem::path(value);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::filesystem::path> localAppDataFolder()
{
    if (auto data = absoluteFromEnvironment("XDG_DATA_HOME"))
        return data;
    if (auto home = homeFolder())
        return *home / ".local" / "share";
    return std::nullopt;
}

std::optional<std::filesystem::path> musicFolder()
{
    const auto home = homeFolder();
    if (!home)
        return std::nullopt;
    const std::filesystem::path music = configuredMusicFolder(*home).value_or(*home / "Music");
    std::error_code error;
    std::filesystem::create_directories(music, error);
    if (error || !std::filesystem::is_directory(music, error))
        return std::nullopt;
    return music;
}

std::optional<std::filesystem::path> createUniqueTemporaryFolder(std::string_view prefix)
{
    const std::filesystem::path temp = absoluteFromEnvironment("TMPDIR").value_or("/tmp");
    std::random_device entropy;
    std::mt19937 generator(entropy() ^ static_cast<unsigned>(getpid()));
    // mkdir both reserves the name and creates the folder, so two runs can never share one.
    for (int attempt = 0; attempt < 64; ++attempt) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X.tmp", static_cast<unsigned>(generator()));
        const std::filesystem::path folder = temp / (std::string(prefix) + hex);
        if (::mkdir(folder.c_str(), 0700) == 0)
            return folder;
        if (errno != EEXIST)
            break;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> executablePath()
{
    constexpr size_t kCapacity = 32768;
    std::string buffer(kCapacity, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), kCapacity);
    if (length <= 0 || static_cast<size_t>(length) >= kCapacity)
        return std::nullopt;
    buffer.resize(static_cast<size_t>(length));
    return std::filesystem::path(buffer);
}

} // namespace platform
