#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "analysis/analysis_driver.h"
#include "cache/analysis_cache.h"
#include "scratch_folder.h"
#include "tools/demo_song/song_synth.h"

namespace {

template <typename Record>
bool sameBytes(const std::vector<Record>& a, const std::vector<Record>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Record)) == 0);
}

struct AnalysisInput {
    std::vector<float> stereo;  // 48 kHz
    std::vector<float> mono;    // 22 050 Hz
};

// The demo song as the analysis takes it. Plain resampling is enough here:
// 48 kHz by linear interpolation, 22 050 Hz mono by averaging sample pairs.
AnalysisInput demoSongInput()
{
    const SynthSong song = synthSong(demoShape());
    const std::vector<float>& s = song.samples;
    const size_t frames = s.size() / 2;
    AnalysisInput input;
    const size_t frames48 = frames * 48000 / 44100;
    input.stereo.resize(2 * frames48);
    for (size_t i = 0; i < frames48; ++i) {
        const double position = static_cast<double>(i) * 44100.0 / 48000.0;
        const size_t k = std::min(static_cast<size_t>(position), frames - 2);
        const float weight = static_cast<float>(position - static_cast<double>(k));
        for (size_t c = 0; c < 2; ++c)
            input.stereo[2 * i + c] = s[2 * k + c] * (1.0f - weight) + s[2 * (k + 1) + c] * weight;
    }
    input.mono.resize(frames / 2);
    for (size_t n = 0; n < input.mono.size(); ++n)
        input.mono[n] = 0.25f * (s[4 * n] + s[4 * n + 1] + s[4 * n + 2] + s[4 * n + 3]);
    return input;
}

} // namespace

// A real analysis carries what synthetic ones may not: descriptor values of
// every magnitude, loops cut on detected beats, a measured overview.
TEST(AnalysisCacheDemoSong, RealAnalysisComesBackBitIdentical)
{
    const AnalysisInput input = demoSongInput();
    const Analysis analysis =
        analyseSong(input.stereo, input.mono, TAMREL_TEST_BIN_DIR, [] {}, [](int32_t, const std::string&) {});
    ASSERT_GT(analysis.beats.size(), 100u);
    ASSERT_FALSE(analysis.connections.empty());
    ASSERT_FALSE(analysis.loops.empty());

    ScratchFolder folder;
    const auto file = folder.path / "analysis-v3" / "demo.bin";
    writeCachedAnalysis(file, input.stereo, analysis);
    Analysis read;
    ASSERT_TRUE(readCachedAnalysis(file, input.stereo, read));
    EXPECT_EQ(std::bit_cast<uint64_t>(read.bpm), std::bit_cast<uint64_t>(analysis.bpm));
    EXPECT_EQ(std::bit_cast<uint64_t>(read.bpmLow), std::bit_cast<uint64_t>(analysis.bpmLow));
    EXPECT_EQ(std::bit_cast<uint64_t>(read.bpmHigh), std::bit_cast<uint64_t>(analysis.bpmHigh));
    EXPECT_EQ(std::bit_cast<uint64_t>(read.confidence), std::bit_cast<uint64_t>(analysis.confidence));
    EXPECT_EQ(read.meter, analysis.meter);
    EXPECT_TRUE(sameBytes(read.beats, analysis.beats));
    EXPECT_TRUE(sameBytes(read.connections, analysis.connections));
    EXPECT_TRUE(sameBytes(read.loops, analysis.loops));
    EXPECT_TRUE(sameBytes(read.overview, analysis.overview));
    EXPECT_EQ(read.engine, kEngineCache);

    // scripts/fuzz.sh seeds its corpus with this file.
    const std::filesystem::path seeds = std::filesystem::path(TAMREL_TEST_GENERATED_DIR) / "cache-seeds";
    std::filesystem::create_directories(seeds);
    std::filesystem::copy_file(file, seeds / "demo-song.bin", std::filesystem::copy_options::overwrite_existing);
}
