#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cache/analysis_cache.h"
#include "scratch_folder.h"
#include "synthetic_analysis.h"

// Two running copies of the program may store the same song at once. The
// writers here are real processes (this test program, run again with a
// filter), since the temporary file is named after the process. Each writer
// keeps writing until the reader has read enough, and every write and read
// is timed on the machine's monotonic clock, which all processes share, so
// the test can count the reads that overlapped a write and require them.

namespace {

constexpr const char* kEntryName = "a665a45920422f9d417e4867efdc4fb8a04a1f3fff1fa07e998e86f7f7a27ae3.bin";
constexpr size_t kReads = 200;
constexpr size_t kMostWrites = 5000;  // a writer whose reader has gone stops by itself

using Span = std::pair<int64_t, int64_t>;  // start and end, ns on the monotonic clock

int64_t now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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

std::filesystem::path entryIn(const std::filesystem::path& folder)
{
    return folder / "analysis-v3" / kEntryName;
}

void touch(const std::filesystem::path& file)
{
    std::ofstream(file) << 'x';
}

std::vector<Span> readSpans(const std::filesystem::path& file)
{
    std::vector<Span> spans;
    std::ifstream in(file);
    Span span;
    while (in >> span.first >> span.second)
        spans.push_back(span);
    return spans;
}

} // namespace

// Runs only inside the writer processes started below.
TEST(AnalysisCacheRace, DISABLED_WriterProcess)
{
    const std::filesystem::path folder = argumentValue("--cache-folder=");
    const std::string variant = argumentValue("--cache-variant=");
    ASSERT_FALSE(folder.empty());
    ASSERT_FALSE(variant.empty());
    const Analysis analysis = writerVariant(std::stoi(variant));
    const auto song = silentSong(kSyntheticSongFrames);
    touch(folder / ("started-" + variant));
    std::vector<Span> writes;
    while (!std::filesystem::exists(folder / "stop") && writes.size() < kMostWrites) {
        const int64_t start = now();
        writeCachedAnalysis(entryIn(folder), song, analysis);
        writes.emplace_back(start, now());
    }
    std::ofstream out(folder / ("writes-" + variant + ".txt"));
    for (const Span& write : writes)
        out << write.first << ' ' << write.second << '\n';
}

TEST(AnalysisCacheRace, TwoProcessesWritingOneEntryLeaveAValidFile)
{
    ScratchFolder folder;
    const auto entry = entryIn(folder.path);
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
                                        " --cache-folder=" + folder.path.string() +
                                        " --cache-variant=" + std::to_string(variant);
            exitCodes[variant] = std::system(command.c_str());
            --running;
        });

    // Reading starts once both writers are in their loops.
    const auto started = [&] {
        return std::filesystem::exists(folder.path / "started-0") && std::filesystem::exists(folder.path / "started-1");
    };
    while (running == 2 && !started())
        std::this_thread::yield();

    // Whoever opens the entry while they write finds one writer's complete
    // file. (Windows may refuse the open during a replacing move; that is a miss.)
    int torn = 0;
    std::vector<Span> reads;
    while (running == 2 && reads.size() < kReads) {
        const int64_t start = now();
        const std::vector<uint8_t> seen = readBytes(entry);
        reads.emplace_back(start, now());
        if (!seen.empty() && seen != complete[0] && seen != complete[1])
            ++torn;
    }
    touch(folder.path / "stop");
    for (std::thread& writer : writers)
        writer.join();

    EXPECT_EQ(exitCodes[0], 0);
    EXPECT_EQ(exitCodes[1], 0);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(reads.size(), kReads) << "a writer ended before the reads were done";

    // Without reads during writes the check above proves nothing.
    std::vector<Span> writes = readSpans(folder.path / "writes-0.txt");
    const std::vector<Span> second = readSpans(folder.path / "writes-1.txt");
    writes.insert(writes.end(), second.begin(), second.end());
    size_t overlapping = 0;
    for (const Span& read : reads) {
        bool during = false;
        for (const Span& write : writes)
            during = during || (read.first < write.second && write.first < read.second);
        overlapping += during;
    }
    EXPECT_GE(overlapping, kReads / 2) << "of " << reads.size() << " reads, against " << writes.size() << " writes";
    RecordProperty("readsDuringWrites", static_cast<int>(overlapping));

    Analysis last;
    ASSERT_TRUE(readCachedAnalysis(entry, song, last));
    EXPECT_TRUE(last.bpm == 100.0 || last.bpm == 101.0);
    EXPECT_EQ(folderEntries(entry.parent_path()), std::vector<std::string>{kEntryName});
}
