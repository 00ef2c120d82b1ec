#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "cache/analysis_cache.h"
#include "scratch_folder.h"
#include "synthetic_analysis.h"

// Two running copies of the program may store the same song at once. The
// writers here are real processes (this test program, run again with a
// filter), since the temporary file is named after the process.

namespace {

constexpr const char* kEntryName = "a665a45920422f9d417e4867efdc4fb8a04a1f3fff1fa07e998e86f7f7a27ae3.bin";

std::string argumentValue(const std::string& prefix)
{
    for (const std::string& argument : ::testing::internal::GetArgvs())
        if (argument.rfind(prefix, 0) == 0)
            return argument.substr(prefix.size());
    return {};
}

Analysis writerVariant(int variant)
{
    Analysis a = syntheticAnalysis(600);
    a.bpm = 100.0 + variant;
    return a;
}

} // namespace

// Runs only inside the writer processes started below.
TEST(AnalysisCacheRace, DISABLED_WriterProcess)
{
    const std::string entry = argumentValue("--cache-entry=");
    ASSERT_FALSE(entry.empty());
    const Analysis analysis = writerVariant(std::stoi(argumentValue("--cache-variant=")));
    const auto song = silentSong(kSyntheticSongFrames);
    for (int i = 0; i < 25; ++i)
        writeCachedAnalysis(entry, song, analysis);
}

TEST(AnalysisCacheRace, TwoProcessesWritingOneEntryLeaveAValidFile)
{
    ScratchFolder folder;
    const auto entry = folder.path / "analysis-v3" / kEntryName;
    const std::string self = ::testing::internal::GetArgvs().front();
    const auto song = silentSong(kSyntheticSongFrames);

    // The two complete files the writers produce.
    std::vector<std::vector<uint8_t>> complete;
    for (int variant = 0; variant < 2; ++variant) {
        const auto reference = folder.path / ("reference-" + std::to_string(variant)) / kEntryName;
        writeCachedAnalysis(reference, song, writerVariant(variant));
        complete.push_back(readBytes(reference));
    }

    std::atomic<int> running{2};
    int exitCodes[2] = {-1, -1};
    std::vector<std::thread> writers;
    for (int variant = 0; variant < 2; ++variant)
        writers.emplace_back([&, variant] {
            const std::string command = self +
                                        " --gtest_also_run_disabled_tests --gtest_brief=1"
                                        " --gtest_filter=AnalysisCacheRace.DISABLED_WriterProcess"
                                        " --cache-entry=" + entry.string() +
                                        " --cache-variant=" + std::to_string(variant);
            exitCodes[variant] = std::system(command.c_str());
            --running;
        });

    // Whoever opens the entry while they write finds one writer's complete
    // file. (Windows may refuse the open during a replacing move; that is a miss.)
    int torn = 0;
    while (running > 0) {
        const std::vector<uint8_t> seen = readBytes(entry);
        if (!seen.empty() && seen != complete[0] && seen != complete[1])
            ++torn;
    }
    for (std::thread& writer : writers)
        writer.join();

    EXPECT_EQ(exitCodes[0], 0);
    EXPECT_EQ(exitCodes[1], 0);
    EXPECT_EQ(torn, 0);
    Analysis last;
    ASSERT_TRUE(readCachedAnalysis(entry, song, last));
    EXPECT_TRUE(last.bpm == 100.0 || last.bpm == 101.0);
    EXPECT_EQ(folderEntries(entry.parent_path()), std::vector<std::string>{kEntryName});
}
