#include "render/full_disk/test_volume.h"

#include "base/volume_space.h"

TestVolume& testVolume()
{
    static TestVolume volume;
    return volume;
}

std::optional<uint64_t> availableBytes(const std::filesystem::path& existingFolder)
{
    testVolume().askedAbout = existingFolder;
    return testVolume().available;
}
