#include "base/free_space.h"

#include <stdexcept>
#include <system_error>

#include "base/volume_space.h"

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
    const std::optional<uint64_t> available = availableBytes(existing);
    if (!available || bytes > UINT64_MAX - kFreeSpaceReserve || *available < bytes + kFreeSpaceReserve)
        throw std::runtime_error("Falta espacio: deja al menos 512 MB libres, ademas del audio a exportar.");
}
