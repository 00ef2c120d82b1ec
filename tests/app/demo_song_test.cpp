// The generated songs are the ground truth of the beat-tracking tests, so a
// fault here would make every later comparison meaningless.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

#include "platform/file_system.h"
#include "support/fixtures.h"

namespace {

uint32_t readLittleEndian(const std::vector<unsigned char>& bytes, size_t at, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes.at(at + static_cast<size_t>(i));
    return value;
}

std::vector<unsigned char> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Regular spacing from the first beat, a downbeat on every meter-th beat, and
// the last beat's whole period inside the song.
void expectGrid(const std::vector<GridBeat>& beats, double firstBeat, double period, int meter, double seconds)
{
    ASSERT_FALSE(beats.empty());
    for (size_t i = 0; i < beats.size(); ++i) {
        EXPECT_NEAR(beats[i].time, firstBeat + static_cast<double>(i) * period, 1e-6) << "beat " << i;
        EXPECT_EQ(beats[i].downbeat, i % static_cast<size_t>(meter) == 0) << "beat " << i;
    }
    EXPECT_LE(beats.back().time + period, seconds);
}

} // namespace

TEST(DemoSong, BeatListIsASteadyFourFourGridAt120Bpm)
{
    const auto beats = readBeatList(fixtureDir() / "demo.beats.txt");
    EXPECT_EQ(beats.size(), 192u); // 48 bars
    EXPECT_NEAR(beats.front().time, 0.5, 1e-9);
    expectGrid(beats, 0.5, 0.5, 4, 98.0);
}

TEST(DemoSong, WavHeaderDescribesTheWholeFile)
{
    const auto bytes = readFile(fixtureDir() / "demo.wav");
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(readLittleEndian(bytes, 4, 4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(readLittleEndian(bytes, 20, 2), 1u);     // PCM
    EXPECT_EQ(readLittleEndian(bytes, 22, 2), 2u);     // stereo
    EXPECT_EQ(readLittleEndian(bytes, 24, 4), 44100u);
    EXPECT_EQ(readLittleEndian(bytes, 28, 4), 44100u * 4);
    EXPECT_EQ(readLittleEndian(bytes, 32, 2), 4u);
    EXPECT_EQ(readLittleEndian(bytes, 34, 2), 16u);
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(readLittleEndian(bytes, 40, 4), bytes.size() - 44);
    EXPECT_EQ((bytes.size() - 44) / 4, 98u * 44100u);
}

TEST(DemoSong, EveryFormatIsGenerated)
{
    for (const char* ext : {"wav", "mp3", "flac", "ogg", "m4a", "aac", "opus", "wma"}) {
        const auto path = fixtureDir() / (std::string("demo.") + ext);
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        EXPECT_GT(std::filesystem::file_size(path), 100000u) << path;
    }
}

TEST(DemoSong, SynthesisedShapesFollowTheirTempoAndMeter)
{
    struct Case {
        double seconds, bpm;
        int meter;
        size_t beats;
    };
    // (seconds - 1.5 s tail - 0.5 s lead-in) / period whole beats.
    for (const Case c : {Case{20.0, 120.0, 4, 36}, Case{30.0, 100.0, 3, 46}, Case{25.0, 87.5, 7, 33}}) {
        SongShape shape;
        shape.seconds = c.seconds;
        shape.bpm = c.bpm;
        shape.meter = c.meter;
        const SynthSong song = synthSong(shape);
        SCOPED_TRACE(c.bpm);
        EXPECT_EQ(song.beats.size(), c.beats);
        expectGrid(song.beats, 0.5, 60.0 / c.bpm, c.meter, c.seconds);
        EXPECT_EQ(song.samples.size(), 2 * static_cast<size_t>(std::lround(c.seconds * 44100)));
        float peak = 0;
        for (float s : song.samples)
            peak = std::max(peak, std::abs(s));
        EXPECT_GT(peak, 0.5f);
        EXPECT_LT(peak, 0.9f);
    }
}

TEST(DemoSong, WrittenFixtureReadsBackTheSameBeats)
{
    // Per process: the native, sanitizer and Wine runs may overlap.
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tamrel-demo-song-test-" + std::to_string(platform::currentProcessId()));
    const auto wav = writeSongFixture(folder, "waltz", 21.0, 90.0, 3);
    const auto beats = readBeatList(folder / "waltz.beats.txt");
    EXPECT_TRUE(std::filesystem::exists(wav));
    expectGrid(beats, 0.5, 60.0 / 90.0, 3, 21.0);
    std::filesystem::remove_all(folder);
}

TEST(DemoSong, ShapeTooShortForOneBarIsRejected)
{
    SongShape shape;
    shape.seconds = 3.0;
    shape.bpm = 60.0;
    shape.meter = 4;
    EXPECT_THROW(synthSong(shape), std::runtime_error);
}
