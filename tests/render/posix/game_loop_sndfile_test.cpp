// "06-bucle-juego.wav" as an independent reader sees it: libsndfile for the
// loop, the cue and the samples, and its sndfile-info program for warnings.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "render/game_loop_wav.h"
#include "render/wav_writer.h"
#include "render/render_fixture.h"

namespace fs = std::filesystem;

namespace {

struct SoundFile {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file{nullptr, sf_close};
};

SoundFile openSound(const fs::path& path)
{
    SoundFile sound;
    sound.file.reset(sf_open(path.c_str(), SFM_READ, &sound.info));
    if (!sound.file)
        ADD_FAILURE() << path << ": " << sf_strerror(nullptr);
    return sound;
}

std::vector<short> shortsOf(const fs::path& path)
{
    SoundFile sound = openSound(path);
    std::vector<short> samples(static_cast<size_t>(sound.info.frames * sound.info.channels));
    EXPECT_EQ(sf_read_short(sound.file.get(), samples.data(), sf_count_t(samples.size())), sf_count_t(samples.size()));
    return samples;
}

std::vector<int> intsOf(const fs::path& path)
{
    SoundFile sound = openSound(path);
    std::vector<int> samples(static_cast<size_t>(sound.info.frames * sound.info.channels));
    EXPECT_EQ(sf_read_int(sound.file.get(), samples.data(), sf_count_t(samples.size())), sf_count_t(samples.size()));
    return samples;
}

std::string commandOutput(const std::string& command)
{
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    pclose(pipe);
    return text;
}

} // namespace

TEST(GameLoopSndfile, LoopCueAndSamplesReadBackAsWritten)
{
    const fs::path folder = fs::temp_directory_path() / ("tamrel-game-sndfile-" + std::to_string(platform::currentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::vector<float> song = distinctSong(6 * 48000, 11, 1.3f);  // gain below 1
    RenderPlan plan;
    prepareRender(plan, song, cutRecord(1.25, 3.5, 4.0), 0.06);
    const uint32_t a = 60000, l = 108000;
    writeGameLoopWav(folder / "06-bucle-juego.wav", plan, [] {});
    writeWav(folder / "01-inicio.wav", plan, {{SectionKind::Start, 0, a}}, 24, [] {});
    writeWav(folder / "02-loop.wav", plan, {{SectionKind::Loop, 0, l}}, 24, [] {});

    SoundFile game = openSound(folder / "06-bucle-juego.wav");
    ASSERT_TRUE(game.file);
    EXPECT_EQ(game.info.frames, sf_count_t(a + l));
    EXPECT_EQ(game.info.channels, 2);
    EXPECT_EQ(game.info.samplerate, 48000);
    EXPECT_EQ(game.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);

    SF_INSTRUMENT instrument{};
    ASSERT_EQ(sf_command(game.file.get(), SFC_GET_INSTRUMENT, &instrument, sizeof instrument), SF_TRUE);
    EXPECT_EQ(instrument.basenote, 60);
    ASSERT_EQ(instrument.loop_count, 1);
    EXPECT_EQ(instrument.loops[0].mode, SF_LOOP_FORWARD);
    EXPECT_EQ(instrument.loops[0].start, a);
    // libsndfile turns the chunk's inclusive last frame (A + L - 1) into an
    // exclusive end.
    EXPECT_EQ(instrument.loops[0].end, a + l);
    EXPECT_EQ(instrument.loops[0].count, 0u);

    uint32_t cueCount = 0;
    ASSERT_EQ(sf_command(game.file.get(), SFC_GET_CUE_COUNT, &cueCount, sizeof cueCount), SF_TRUE);
    ASSERT_EQ(cueCount, 1u);
    SF_CUES cues{};
    ASSERT_EQ(sf_command(game.file.get(), SFC_GET_CUE, &cues, sizeof cues), SF_TRUE);
    EXPECT_EQ(cues.cue_points[0].indx, 1);
    EXPECT_EQ(cues.cue_points[0].position, a);
    EXPECT_EQ(cues.cue_points[0].sample_offset, a);
    game.file.reset();

    // The 16-bit frames are the 24-bit masters' within rounding: both come
    // from the same float frames, each rounded at its own width.
    const std::vector<short> game16 = shortsOf(folder / "06-bucle-juego.wav");
    std::vector<int> masters = intsOf(folder / "01-inicio.wav");
    const std::vector<int> loop = intsOf(folder / "02-loop.wav");
    masters.insert(masters.end(), loop.begin(), loop.end());
    ASSERT_EQ(game16.size(), masters.size());
    size_t far = 0;
    for (size_t k = 0; k < masters.size(); ++k) {
        // libsndfile reads 24 bits into the top of an int.
        const double master = masters[k] / 2147483648.0 * 8388608.0 / 8388607.0;
        far += std::fabs(game16[k] - master * 32767.0) > 0.5 + 3e-3;
    }
    EXPECT_EQ(far, 0u) << "samples further than rounding from the 24-bit masters";

    // Exactly: the frame rule's floats through the gain, clipped and rounded
    // halves away from zero at 16 bits, worked out here.
    size_t wrong = 0;
    for (int64_t i = 0; i < int64_t(a + l); ++i) {
        const auto [left, right] =
            i < a ? sectionFrame(plan, SectionKind::Start, i) : sectionFrame(plan, SectionKind::Loop, i - a);
        for (int c = 0; c < 2; ++c) {
            const float t = plan.gain * (c == 0 ? left : right);
            const float v = t < -1.0f ? -32767.0f : t > 1.0f ? 32767.0f : t * 32767.0f;
            wrong += game16[size_t(2 * i + c)] != short(std::round(double(v)));
        }
    }
    EXPECT_EQ(wrong, 0u);

    const std::string report = commandOutput("sndfile-info '" + (folder / "06-bucle-juego.wav").string() + "' 2>&1");
    EXPECT_NE(report.find("smpl"), std::string::npos) << report;
    EXPECT_NE(report.find("Loop Count   : 1"), std::string::npos) << report;
    EXPECT_NE(report.find("Type :  0  Start : 60000  End : 167999  Fraction :     0  Count :     0"),
              std::string::npos) << report;
    EXPECT_NE(report.find("Pos : 60000  Chunk : data"), std::string::npos) << report;
    EXPECT_NE(report.find("labl : 1 : bucle"), std::string::npos) << report;
    for (const char* complaint : {"arning", "rror", "***", "should", "unknown", "Unknown"})
        EXPECT_EQ(report.find(complaint), std::string::npos) << complaint << " in:\n" << report;
    fs::remove_all(folder);
}
