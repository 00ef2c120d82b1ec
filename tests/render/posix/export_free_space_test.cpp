#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "analysis/cut_rule.h"
#include "analysis/analysis_model.h"
#include "render/export_package.h"

namespace fs = std::filesystem;

// On a small volume the export stops at the free-space check, before it has
// created any folder.
TEST(ExportFreeSpace, ASmallVolumeIsRefusedBeforeAnythingIsCreated)
{
    const fs::path mountPoint = fs::temp_directory_path() / "tamrel-export-small-volume";
    fs::create_directories(mountPoint);
    const std::string mount = "mount -t tmpfs -o size=8m tmpfs '" + mountPoint.string() + "' 2>/dev/null";
    if (std::system(mount.c_str()) != 0) {
        fs::remove(mountPoint);
        GTEST_SKIP() << "cannot mount a small volume here (needs root)";
    }

    const std::vector<float> song(3 * 48000 * 2, 0.1f);
    std::string message;
    try {
        exportPackage(song, Analysis{}, cutRecord(0.5, 1.7, 2.2), 0.06, 2, mountPoint / "salida", "cancion.mp3");
    } catch (const std::exception& e) {
        message = e.what();
    }
    const bool leftover = fs::exists(mountPoint / "salida");
    const int unmounted = std::system(("umount '" + mountPoint.string() + "'").c_str());
    fs::remove(mountPoint);
    EXPECT_EQ(unmounted, 0);

    EXPECT_EQ(message, "Falta espacio: deja al menos 512 MB libres, ademas del audio a exportar.");
    EXPECT_FALSE(leftover);
}
