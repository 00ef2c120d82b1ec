#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "analysis/analysis_driver.h"
#include "cache/analysis_cache.h"
#include "scratch_folder.h"
#include "support/fixtures.h"
#include "tools/demo_song/song_synth.h"

namespace {

template <typename Record>
bool sameBytes(const std::vector<Record>& a, const std::vector<Record>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Record)) == 0);
}

// The demo song as the analysis takes it.
AnalysisForms demoSongInput()
{
    return analysisFormsOf(synthSong(demoShape()).samples);
}

} // namespace

// A real analysis carries what synthetic ones may not: descriptor values of
// every magnitude, loops cut on detected beats, a measured overview.
TEST(AnalysisCacheDemoSong, RealAnalysisComesBackBitIdentical)
{
    const AnalysisForms input = demoSongInput();
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
