#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "analysis/analysis_model.h"
#include "analysis/cut_rule.h"
#include "render/export_package.h"
#include "render/full_disk/test_volume.h"
#include "support/run_program.h"

namespace fs = std::filesystem;

namespace {

std::string exportMessage(const fs::path& outputFolder)
{
    // 3 s: A 24 000, B 81 600, O 105 600 frames, two repetitions.
    const std::vector<float> song(3 * 48000 * 2, 0.1f);
    try {
        exportPackage(song, Analysis{}, cutRecord(0.5, 1.7, 2.2), 0.06, 2, outputFolder, "cancion.mp3");
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

// The export asks for its 24-bit masters, the 16-bit game loop, 20 MiB for
// the preview and texts, and 512 MiB left over: sections 81 600 + 38 400
// frames, montage 24 000 + 2 x 57 600 + 38 400 frames, 6 bytes a frame; the
// game loop 81 600 frames of 4 bytes:
// 6 x 297 600 + 4 x 81 600 + 20 971 520 + 536 870 912 = 559 954 432 bytes.
constexpr uint64_t kNeeded = 559954432;

TEST(ExportFullDisk, OneByteShortIsRefusedBeforeAnythingIsCreatedAndEnoughIsAccepted)
{
    testsupport::TempFolder root("full-disk");
    const fs::path out = root.path / "salida" / "paquetes";

    testVolume().available = kNeeded - 1;
    EXPECT_EQ(exportMessage(out), "Falta espacio: deja al menos 512 MB libres, ademas del audio a exportar.");
    EXPECT_FALSE(fs::exists(root.path / "salida"));
    // Asked about the nearest folder that exists.
    EXPECT_TRUE(fs::equivalent(testVolume().askedAbout, root.path)) << testVolume().askedAbout;

    testVolume().available = kNeeded;
    EXPECT_EQ(exportMessage(out), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
}

} // namespace
