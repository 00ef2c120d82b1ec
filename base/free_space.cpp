#include "base/free_space.h"

#include <stdexcept>
#include <system_error>

void ensureFreeSpace(const std::filesystem::path& folder, uint64_t bytes)
{
    std::error_code error;
    std::filesystem::path existing = std::filesystem::absolute(folder, error);
    if (error)
        existing = folder;
    while (!std::filesystem::exists(existing, error)) {
        const std::filesystem::path parent = existing.parent_path();
        if (parent.empty() || parent == existing)
            break;
        existing = parent;
    }
    // "available" is what the current user may still write: statvfs f_bavail
    // on POSIX, GetDiskFreeSpaceExW's caller-available bytes on Windows.
    const std::filesystem::space_info space = std::filesystem::space(existing, error);
    const bool known = !error && space.available != static_cast<std::uintmax_t>(-1);
    if (!known || bytes > UINT64_MAX - kFreeSpaceReserve || space.available < bytes + kFreeSpaceReserve)
        throw std::runtime_error("Falta espacio: deja al menos 512 MB libres, ademas del audio a exportar.");
}
