// What the current user may still write on the volume that holds a folder:
// statvfs's f_bavail on POSIX, GetDiskFreeSpaceExW's caller-available bytes
// on Windows (both through std::filesystem::space).
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>

// Nothing when the system cannot tell. The folder must exist. Kept alone in
// its file, so a test program can link its own volume in its place.
std::optional<uint64_t> availableBytes(const std::filesystem::path& existingFolder);
