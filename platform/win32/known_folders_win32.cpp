#include "platform/known_folders.h"

#include <stdexcept>
#include <string>

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

namespace platform {
namespace {

constexpr DWORD kPathCapacity = 32768;

std::optional<std::filesystem::path> knownFolder(REFKNOWNFOLDERID id, DWORD flags)
{
    PWSTR raw = nullptr;
    std::optional<std::filesystem::path> folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, flags, nullptr, &raw)) && raw != nullptr && raw[0] != L'\0')
        folder = std::filesystem::path(raw);
    CoTaskMemFree(raw);
    return folder;
}

} // namespace

std::optional<std::filesystem::path> localAppDataFolder()
{
    return knownFolder(FOLDERID_LocalAppData, 0);
}

std::optional<std::filesystem::path> musicFolder()
{
    return knownFolder(FOLDERID_Music, KF_FLAG_CREATE);
}

std::optional<std::filesystem::path> createUniqueTemporaryFolder(std::string_view prefix)
{
    const std::wstring namePrefix(prefix.begin(), prefix.end());
    std::wstring temp(kPathCapacity, L'\0');
    const DWORD length = GetTempPathW(kPathCapacity, temp.data());
    temp.resize(length < kPathCapacity ? length : 0);
    // The system reserves a unique name as an empty file; the folder takes its
    // place. Should another process take the name in between, reserve again.
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t name[MAX_PATH + 1] = {};
        if (temp.empty() || GetTempFileNameW(temp.c_str(), namePrefix.c_str(), 0, name) == 0)
            break;
        DeleteFileW(name);
        if (CreateDirectoryW(name, nullptr))
            return std::filesystem::path(name);
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            throw std::filesystem::filesystem_error("create_directory", std::filesystem::path(name),
                                                    std::error_code(static_cast<int>(error), std::system_category()));
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> executablePath()
{
    std::wstring buffer(kPathCapacity, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        return std::nullopt;
    buffer.resize(length);
    return std::filesystem::path(buffer);
}

} // namespace platform
