// File-system services the portable core needs beyond std::filesystem.
// One header, two implementations: platform/win32 and platform/posix.
#pragma once
#include <cstdint>
#include <filesystem>

namespace platform {

// Moves from over to, replacing an existing file, flushed through to disk.
bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

uint32_t currentProcessId();

enum class CreateFolderResult { Created, AlreadyExists, Failed };
// Creates one folder level with default permissions.
CreateFolderResult createFolder(const std::filesystem::path& folder);

struct LocalTime {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalTime localTimeNow();

} // namespace platform
