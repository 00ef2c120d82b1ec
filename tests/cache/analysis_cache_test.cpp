#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "support/failing_writes.h"
#include "cache/analysis_cache.h"
#include "scratch_folder.h"
#include "synthetic_analysis.h"

namespace {

constexpr double kSongSeconds = static_cast<double>(kSyntheticSongFrames) / 48000.0;
constexpr const char* kEntryName = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08.bin";

// The file's checksum, computed independently of the code under test.
uint64_t fnv1a(const uint8_t* data, size_t size)
{
    uint64_t hash = 0x14650fb0739d0383ULL;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 0x100000001b3ULL;
    return hash;
}

uint64_t loadU64(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint64_t value = 0;
    for (size_t i = 0; i < 8; ++i)
        value |= static_cast<uint64_t>(bytes[offset + i]) << (8 * i);
    return value;
}

void storeU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Builds a file the way the format documents it, one field at a time, with
// no help from the records' in-memory layout.
struct DocumentedBytes {
    std::vector<uint8_t> bytes;
    void raw(const void* data, size_t size)
    {
        const auto* at = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), at, at + size);
    }
    void u32(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void u64(uint64_t value)
    {
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
    void f32(float value) { u32(std::bit_cast<uint32_t>(value)); }
    void f64(double value) { u64(std::bit_cast<uint64_t>(value)); }
};

void reseal(std::vector<uint8_t>& bytes)
{
    const uint64_t sum = fnv1a(bytes.data() + 80, bytes.size() - 80);
    for (size_t i = 0; i < 8; ++i)
        bytes[8 + i] = static_cast<uint8_t>(sum >> (8 * i));
}

template <typename Record>
bool sameBytes(const std::vector<Record>& a, const std::vector<Record>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Record)) == 0);
}

void expectIdenticalButEngine(const Analysis& read, const Analysis& written)
{
    EXPECT_EQ(std::bit_cast<uint64_t>(read.bpm), std::bit_cast<uint64_t>(written.bpm));
    EXPECT_EQ(std::bit_cast<uint64_t>(read.bpmLow), std::bit_cast<uint64_t>(written.bpmLow));
    EXPECT_EQ(std::bit_cast<uint64_t>(read.bpmHigh), std::bit_cast<uint64_t>(written.bpmHigh));
    EXPECT_EQ(std::bit_cast<uint64_t>(read.confidence), std::bit_cast<uint64_t>(written.confidence));
    EXPECT_EQ(read.meter, written.meter);
    EXPECT_TRUE(sameBytes(read.beats, written.beats));
    EXPECT_TRUE(sameBytes(read.connections, written.connections));
    EXPECT_TRUE(sameBytes(read.loops, written.loops));
    EXPECT_TRUE(sameBytes(read.overview, written.overview));
    EXPECT_EQ(read.engine, kEngineCache);
}

// The file an analysis must make: 80-byte header, then beats, connections,
// loops and overview, each field at the offset the format gives it.
std::vector<uint8_t> documentedFile(const Analysis& a, uint64_t songFrames)
{
    DocumentedBytes body;
    for (const Beat& b : a.beats) {
        body.f64(b.time);                  //   0
        body.f64(b.duration);              //   8
        body.f64(b.bpm);                   //  16
        body.f32(b.confidence);            //  24
        body.f32(b.downbeatProbability);   //  28
        body.f32(b.loudness);              //  32
        body.u32(0);                       //  36 reserved
        body.i32(b.phase);                 //  40
        body.i32(b.bar);                   //  44
        for (double c : b.chroma)          //  48
            body.f64(c);
        for (double m : b.mfcc)            // 144
            body.f64(m);
    }
    for (const Connection& c : a.connections) {
        body.i32(c.from);
        body.i32(c.to);
        body.f32(c.score);
        body.f32(c.harmony);
        body.f32(c.timbre);
    }
    for (const Loop& l : a.loops) {
        body.f64(l.start);
        body.f64(l.end);
        body.f64(l.outro);
        body.f64(l.score);
        body.i32(l.startBeat);
        body.i32(l.endBeat);
        body.i32(l.outroBeat);
        body.i32(l.bars);
        body.f64(l.harmony);
        body.f64(l.timbre);
        body.f64(l.rhythm);
        body.f64(l.loudnessGap);
    }
    for (float v : a.overview)
        body.f32(v);

    DocumentedBytes file;
    file.raw("TAMRELC2", 8);
    file.u64(fnv1a(body.bytes.data(), body.bytes.size()));
    file.u64(songFrames);
    file.u32(3);
    file.u32(static_cast<uint32_t>(a.beats.size()));
    file.u32(static_cast<uint32_t>(a.connections.size()));
    file.u32(static_cast<uint32_t>(a.loops.size()));
    file.u32(static_cast<uint32_t>(a.overview.size()));
    file.i32(a.meter);
    file.f64(a.bpm);
    file.f64(a.bpmLow);
    file.f64(a.bpmHigh);
    file.f64(a.confidence);
    file.raw(body.bytes.data(), body.bytes.size());
    return file.bytes;
}

// What the writer makes of an analysis, whatever the reader thinks of it.
uint64_t writtenSize(const Analysis& a)
{
    return 80 + 240 * a.beats.size() + 20 * a.connections.size() + 80 * a.loops.size() + 4 * a.overview.size();
}

Analysis sentinelAnalysis()
{
    Analysis a;
    a.engine = "left alone";
    a.beats.resize(1);
    return a;
}

} // namespace

TEST(AnalysisCache, RoundTripIsBitIdenticalButEngine)
{
    ScratchFolder folder;
    const auto song = silentSong(kSyntheticSongFrames);
    // Missing parent folders are created, also below a user name that is not ASCII.
    const auto file = folder.path / std::filesystem::path(u8"Jos\u00e9 Pe\u00f1a") / "analysis-v3" / kEntryName;
    for (size_t loops : {size_t{0}, size_t{3}}) {
        SCOPED_TRACE(loops);
        Analysis written = syntheticAnalysis(48, loops);
        written.beats[5].reserved[0] = 0;  // reserved bytes travel as they are
        writeCachedAnalysis(file, song, written);

        const std::vector<uint8_t> bytes = readBytes(file);
        ASSERT_EQ(bytes.size(), 32848 + 240 * 48 + 20 * 96 + 80 * loops);
        EXPECT_EQ(std::memcmp(bytes.data(), "TAMRELC2", 8), 0);
        EXPECT_EQ(loadU64(bytes, 8), fnv1a(bytes.data() + 80, bytes.size() - 80));
        EXPECT_EQ(loadU64(bytes, 16), kSyntheticSongFrames);
        EXPECT_EQ(std::memcmp(bytes.data() + 80, written.beats.data(), 240), 0);

        Analysis read;
        ASSERT_TRUE(readCachedAnalysis(file, song, read));
        expectIdenticalButEngine(read, written);
        // The temporary file is gone once the entry is in place.
        EXPECT_EQ(folderEntries(file.parent_path()), std::vector<std::string>{kEntryName});
    }
}

// Files written by another build of the program must read the same: the
// writer puts every field where the format says, and the reader takes it
// from there, whatever the records look like in memory.
TEST(AnalysisCache, EveryFieldSitsAtItsDocumentedOffset)
{
    ScratchFolder folder;
    const auto file = folder.path / kEntryName;
    const auto song = silentSong(kSyntheticSongFrames);
    const Analysis written = syntheticAnalysis(9, 2, 3);

    writeCachedAnalysis(file, song, written);
    const std::vector<uint8_t> expected = documentedFile(written, kSyntheticSongFrames);
    const std::vector<uint8_t> bytes = readBytes(file);
    ASSERT_EQ(bytes.size(), expected.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], expected[i]) << "first difference at byte " << i;

    // Read from the documented bytes, every field comes back.
    writeBytes(file, expected);
    Analysis read;
    ASSERT_TRUE(readCachedAnalysis(file, song, read));
    EXPECT_EQ(read.meter, 3);
    EXPECT_EQ(read.bpmHigh, written.bpmHigh);
    ASSERT_EQ(read.beats.size(), 9u);
    const Beat& beat = read.beats[7];
    const Beat& source = written.beats[7];
    EXPECT_EQ(beat.time, source.time);
    EXPECT_EQ(beat.bpm, source.bpm);
    EXPECT_EQ(beat.downbeatProbability, source.downbeatProbability);
    EXPECT_EQ(beat.loudness, source.loudness);
    EXPECT_EQ(beat.phase, source.phase);
    EXPECT_EQ(beat.bar, source.bar);
    EXPECT_EQ(beat.chroma[11], source.chroma[11]);
    EXPECT_EQ(beat.mfcc[0], source.mfcc[0]);
    ASSERT_EQ(read.connections.size(), 18u);
    EXPECT_EQ(read.connections[13].to, written.connections[13].to);
    EXPECT_EQ(read.connections[13].timbre, written.connections[13].timbre);
    ASSERT_EQ(read.loops.size(), 2u);
    EXPECT_EQ(read.loops[1].outro, written.loops[1].outro);
    EXPECT_EQ(read.loops[1].outroBeat, written.loops[1].outroBeat);
    EXPECT_EQ(read.loops[1].loudnessGap, written.loops[1].loudnessGap);
    EXPECT_EQ(read.overview[8191], written.overview[8191]);
}

// Each case writes a valid analysis, breaks one thing, and reads it back.
TEST(AnalysisCache, AcceptsAndRefuses)
{
    using Edit = std::function<void(Analysis&)>;
    using Patch = std::function<void(std::vector<uint8_t>&)>;
    struct Case {
        const char* name;
        bool accepted;
        Edit edit = nullptr;
        Patch patch = nullptr;  // on the written bytes; the checksum is recomputed afterwards
        int64_t frameDelta = 0;
    };
    const auto withMeter = [](int32_t meter) {
        return [meter](Analysis& a) {
            a.meter = meter;
            for (Beat& b : a.beats)
                b.phase %= meter;
        };
    };
    const auto withBeats = [](size_t count) { return [count](Analysis& a) { a = syntheticAnalysis(count); }; };
    const auto withConnections = [](size_t count) {
        return [count](Analysis& a) {
            a.connections.resize(count, a.connections.front());
        };
    };
    const auto withLoops = [](size_t count) { return [count](Analysis& a) { a.loops = syntheticAnalysis(0, count).loops; }; };
    const auto withScore = [](float score) { return [score](Analysis& a) { a.connections[7].score = score; }; };
    const auto withLastBeatAt = [](double time) { return [time](Analysis& a) { a.beats.back().time = time; }; };
    const auto withOutro = [](double outro) { return [outro](Analysis& a) { a.loops[1].outro = outro; }; };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    const Case cases[] = {
        {"as written", true},
        {"song one frame longer", false, nullptr, nullptr, +1},
        {"song one frame shorter", false, nullptr, nullptr, -1},
        {"meter 2", true, withMeter(2)},
        {"meter 7", true, withMeter(7)},
        {"meter 1", false, withMeter(1)},
        {"meter 8", false, withMeter(8)},
        {"6000 beats", true, withBeats(6000)},
        {"6001 beats", false, withBeats(6001)},
        {"30000 connections", true, withConnections(30000)},
        {"30001 connections", false, withConnections(30001)},
        {"16 loops", true, withLoops(16)},
        {"17 loops", false, withLoops(17)},
        {"no loops", true, withLoops(0)},
        {"no beats", true, [](Analysis& a) { a = syntheticAnalysis(0, 0); }},
        {"overview 8191", false, [](Analysis& a) { a.overview.pop_back(); }},
        {"overview 8193", false, [](Analysis& a) { a.overview.push_back(0.5f); }},
        {"score 1.0", true, withScore(1.0f)},
        {"score 0.0", true, withScore(0.0f)},
        {"score 1.0000001", false, withScore(std::nextafter(1.0f, 2.0f))},
        {"score NaN", false, withScore(std::numeric_limits<float>::quiet_NaN())},
        {"score negative", false, withScore(-0.001f)},
        {"connection to past the last beat", false, [](Analysis& a) { a.connections[3].to = 48; }},
        {"connection from negative", false, [](Analysis& a) { a.connections[3].from = -1; }},
        {"beat just before the end", true, withLastBeatAt(kSongSeconds - 1e-6)},
        {"beat at the end", false, withLastBeatAt(kSongSeconds)},
        {"beat before the start", false, [](Analysis& a) { a.beats.front().time = -0.5; }},
        {"beats out of order", false, [](Analysis& a) { a.beats[10].time = a.beats[9].time; }},
        {"beat duration infinite", false, [inf](Analysis& a) { a.beats[4].duration = inf; }},
        {"beat loudness NaN", false, [](Analysis& a) { a.beats[4].loudness = std::numeric_limits<float>::quiet_NaN(); }},
        {"phase equal to meter", false, [](Analysis& a) { a.beats[6].phase = 4; }},
        {"phase negative", false, [](Analysis& a) { a.beats[6].phase = -1; }},
        {"loop outro 0.121 s before the end", true, withOutro(kSongSeconds - 0.121)},
        {"loop outro 0.12 s before the end", false, withOutro(kSongSeconds - 2 * 0.06)},
        {"loop end after outro", false, [](Analysis& a) { a.loops[0].end = a.loops[0].outro + 0.5; }},
        {"tempo NaN", false, [nan](Analysis& a) { a.bpmHigh = nan; }},
        {"confidence infinite", false, [inf](Analysis& a) { a.confidence = inf; }},
        {"foreign magic", false, nullptr, [](std::vector<uint8_t>& b) { b[7] = '1'; }},
        {"version 2", false, nullptr, [](std::vector<uint8_t>& b) { storeU32(b, 24, 2); }},
        {"one byte too many", false, nullptr, [](std::vector<uint8_t>& b) { b.push_back(0); }},
        {"one byte too few", false, nullptr, [](std::vector<uint8_t>& b) { b.pop_back(); }},
        {"79 bytes", false, nullptr, [](std::vector<uint8_t>& b) { b.resize(79); }},
        {"just over 8 MiB", false, nullptr, [](std::vector<uint8_t>& b) { b.resize(8388609); }},
    };

    ScratchFolder folder;
    const auto file = folder.path / kEntryName;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analysis written = syntheticAnalysis(48);
        if (c.edit)
            c.edit(written);
        std::filesystem::remove(file);
        writeCachedAnalysis(file, silentSong(kSyntheticSongFrames), written);
        // The writer refuses nothing: a refusal below is the reader's, not a
        // write that never happened.
        std::error_code missing;
        ASSERT_EQ(std::filesystem::file_size(file, missing), writtenSize(written));
        if (c.patch) {
            std::vector<uint8_t> bytes = readBytes(file);
            c.patch(bytes);
            if (bytes.size() >= 80)
                reseal(bytes);
            writeBytes(file, bytes);
        }
        Analysis out = sentinelAnalysis();
        const bool read = readCachedAnalysis(file, silentSong(kSyntheticSongFrames + c.frameDelta), out);
        EXPECT_EQ(read, c.accepted);
        if (read)
            expectIdenticalButEngine(out, written);
        else
            EXPECT_EQ(out.engine, "left alone");
    }
}

TEST(AnalysisCache, ChecksumGuardsEveryBodyByte)
{
    ScratchFolder folder;
    const auto file = folder.path / kEntryName;
    const auto song = silentSong(kSyntheticSongFrames);
    writeCachedAnalysis(file, song, syntheticAnalysis(48));
    const std::vector<uint8_t> good = readBytes(file);
    // Offsets in every section: beats, connections, loops, overview, last byte.
    for (size_t offset : {size_t{80}, size_t{80 + 36}, size_t{80 + 240 * 48 + 9}, size_t{80 + 240 * 48 + 20 * 96 + 1},
                          good.size() / 2, good.size() - 1}) {
        SCOPED_TRACE(offset);
        std::vector<uint8_t> bad = good;
        bad[offset] ^= 0x40;
        writeBytes(file, bad);
        Analysis out;
        EXPECT_FALSE(readCachedAnalysis(file, song, out));
    }
}

TEST(AnalysisCache, MissingOrHugeFilesAreMisses)
{
    ScratchFolder folder;
    const auto song = silentSong(kSyntheticSongFrames);
    Analysis out;
    EXPECT_FALSE(readCachedAnalysis(folder.path / "missing" / kEntryName, song, out));
    EXPECT_FALSE(readCachedAnalysis(folder.path, song, out));
    // Sparse, so it costs no disk; a reader that loads it before checking
    // the size runs out of memory.
    const auto huge = folder.path / kEntryName;
    writeCachedAnalysis(huge, song, syntheticAnalysis(48));
    std::filesystem::resize_file(huge, (uint64_t{1} << 32) + 1);
    EXPECT_FALSE(readCachedAnalysis(huge, song, out));
    EXPECT_EQ(out.engine, kEngineUnanalysed);
}

TEST(AnalysisCache, FailedWritesLeaveNothingBehind)
{
    ScratchFolder folder;
    const auto song = silentSong(kSyntheticSongFrames);

    // The cache folder cannot be created below a plain file.
    writeBytes(folder.path / "settings.ini", {'x'});
    EXPECT_NO_THROW(writeCachedAnalysis(folder.path / "settings.ini" / "analysis-v3" / kEntryName, song,
                                        syntheticAnalysis(48)));
    EXPECT_EQ(folderEntries(folder.path), std::vector<std::string>{"settings.ini"});

    // A write that fails (disk full) keeps the previous entry and no temporary file.
    const auto cacheFolder = folder.path / "analysis-v3";
    Analysis previous = syntheticAnalysis(48);
    writeCachedAnalysis(cacheFolder / kEntryName, song, previous);
    {
        const FailingWrites diskFull(1);
        EXPECT_NO_THROW(writeCachedAnalysis(cacheFolder / kEntryName, song, syntheticAnalysis(64)));
    }
    EXPECT_EQ(folderEntries(cacheFolder), std::vector<std::string>{kEntryName});
    Analysis out;
    ASSERT_TRUE(readCachedAnalysis(cacheFolder / kEntryName, song, out));
    EXPECT_EQ(out.beats.size(), 48u);
}
