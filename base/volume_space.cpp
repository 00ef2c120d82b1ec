#include "base/volume_space.h"

#include <system_error>

std::optional<uint64_t> availableBytes(const std::filesystem::path& existingFolder)
{
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(existingFolder, error);
    if (error || space.available == static_cast<std::uintmax_t>(-1))
        return std::nullopt;
    return static_cast<uint64_t>(space.available);
}
