// The free-space check before large writes: the decoder's work files and
// the export package.
#pragma once
#include <cstdint>
#include <filesystem>

inline constexpr uint64_t kFreeSpaceReserve = 536870912;  // 512 MiB left for the system

// Throws the free-space message unless bytes + 512 MiB are free for the user
// on the volume of the folder (or of its nearest existing parent).
void ensureFreeSpace(const std::filesystem::path& folder, uint64_t bytes);
