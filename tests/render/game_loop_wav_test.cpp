#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/file_system.h"
#include "render/game_loop_wav.h"
#include "render/wav_writer.h"
#include "render_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t le32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k)
        v = (v << 8) | static_cast<unsigned char>(b.at(at + k));
    return v;
}

// A little-endian 32-bit field as file bytes, written out by hand.
std::string le(uint32_t v)
{
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

} // namespace

// The chunks byte for byte, laid out by hand from the chunk definitions.
TEST(GameLoopWav, ChunksAreLaidOutLittleEndianWithEvenSizes)
{
    const uint32_t a = 0x00012345, l = 0x00020001;
    std::string smpl = "smpl" + le(60) + le(0) + le(0) + le(20833) + le(60) + le(0) + le(0) + le(0) + le(1) +
                       le(0) + le(0) + le(0) + le(a) + le(a + l - 1) + le(0) + le(0);
    std::string cue = "cue " + le(28) + le(1) + le(1) + le(a) + "data" + le(0) + le(0) + le(a);
    std::string list = "LIST" + le(22) + "adtl" + "labl" + le(10) + le(1) + std::string("bucle\0", 6);
    EXPECT_EQ(gameLoopChunks(a, l), smpl + cue + list);
}

class GameLoopFile : public ::testing::Test {
protected:
    fs::path folder;
    std::vector<float> song = distinctSong(6 * 48000, 7, 1.3f);  // peaks above full scale: gain below 1
    RenderPlan plan;

    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("tamrel-game-loop-" + std::to_string(platform::currentProcessId()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        prepareRender(plan, song, cutRecord(1.25, 3.5, 4.0), 0.06);  // A 60 000, B 168 000
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

// The data are the 16-bit preview's conversion of start then loop, and every
// size field agrees with the bytes that follow it.
TEST_F(GameLoopFile, HoldsStartAndOneLoopAt16BitsWithItsChunksCounted)
{
    const int64_t a = 60000, l = 108000;
    writeGameLoopWav(folder / "juego.wav", plan, [] {});
    writeWav(folder / "plain.wav", plan, {{SectionKind::Start, 0, a}, {SectionKind::Loop, 0, l}}, 16, [] {});
    const std::string game = readBytes(folder / "juego.wav");
    const std::string plain = readBytes(folder / "plain.wav");

    const std::string chunks = gameLoopChunks(uint32_t(a), uint32_t(l));
    ASSERT_EQ(game.size(), 44 + 4 * size_t(a + l) + 134);
    EXPECT_EQ(chunks.size(), 134u);
    EXPECT_EQ(le32(game, 4), game.size() - 8);
    EXPECT_EQ(le32(game, 40), 4 * uint32_t(a + l));
    EXPECT_EQ(game.substr(8, 32), plain.substr(8, 32)) << "format chunk";
    EXPECT_TRUE(game.substr(44, 4 * size_t(a + l)) == plain.substr(44)) << "sample data";
    EXPECT_EQ(game.substr(44 + 4 * size_t(a + l)), chunks);
}
