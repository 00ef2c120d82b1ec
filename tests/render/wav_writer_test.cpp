#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

#include "support/failing_writes.h"
#include "platform/file_system.h"
#include "render/wav_writer.h"
#include "render_fixture.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t u32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t u16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
std::string tag(const Bytes& b, size_t at) { return std::string(b.begin() + long(at), b.begin() + long(at) + 4); }

// Sign-extended little-endian sample of bits / 8 bytes.
int32_t sampleAt(const Bytes& b, size_t at, int bits)
{
    uint32_t v = uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
    if (bits == 24)
        v |= uint32_t(b[at + 2]) << 16;
    const int shift = 32 - bits;
    return int32_t(v << shift) >> shift;
}

Bytes dataOf(const Bytes& file) { return Bytes(file.begin() + 44, file.end()); }

// What every frame must become, worked out independently of the writer.
Bytes expectedData(const RenderPlan& plan, const std::vector<Segment>& segments, int bits)
{
    const float scale = bits == 24 ? 8388607.0f : 32767.0f;
    Bytes out;
    for (const Segment& s : segments)
        for (int64_t i = s.offset; i < s.offset + s.count; ++i) {
            const auto [l, r] = sectionFrame(plan, s.section, i);
            for (const float x : {l, r}) {
                const float t = plan.gain * x;
                const float v = t < -1.0f ? -scale : t > 1.0f ? scale : t * scale;
                const uint32_t q = uint32_t(int32_t(std::round(double(v))));
                for (int k = 0; k < bits / 8; ++k)
                    out.push_back(uint8_t(q >> (8 * k)));
            }
        }
    return out;
}

const TickFn kNoTick = [] {};

class WavWriter : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder = fs::temp_directory_path() /
                 ("tamrel-wav-" + std::to_string(platform::currentProcessId()) + "-" + name);
        fs::remove_all(folder);
        fs::create_directories(folder);
        song = distinctSong(10 * 48000);
        prepareRender(plan, song, cutRecord(1, 2.5, 4), 0.1);  // A 48 000, B 120 000, O 192 000
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder;
    std::vector<float> song;
    RenderPlan plan;
};

} // namespace

TEST_F(WavWriter, HeaderDescribesStereo48kHzIntegerPcm)
{
    for (const int bits : {24, 16}) {
        SCOPED_TRACE(bits);
        const fs::path path = folder / "header.wav";
        const std::vector<Segment> segments = {{SectionKind::Start, 0, 1000}, {SectionKind::Loop, 5, 333}};
        writeWav(path, plan, segments, bits, kNoTick);
        const Bytes b = readBytes(path);
        const uint32_t bytesPerSample = uint32_t(bits / 8);
        const uint32_t dataBytes = 1333 * 2 * bytesPerSample;
        ASSERT_EQ(b.size(), 44 + dataBytes);
        EXPECT_EQ(tag(b, 0), "RIFF");
        EXPECT_EQ(u32(b, 4), dataBytes + 36);
        EXPECT_EQ(tag(b, 8), "WAVE");
        EXPECT_EQ(tag(b, 12), "fmt ");
        EXPECT_EQ(u32(b, 16), 16u);
        EXPECT_EQ(u16(b, 20), 1);
        EXPECT_EQ(u16(b, 22), 2);
        EXPECT_EQ(u32(b, 24), 48000u);
        EXPECT_EQ(u32(b, 28), 96000 * bytesPerSample);
        EXPECT_EQ(u16(b, 32), 2 * bytesPerSample);
        EXPECT_EQ(u16(b, 34), bits);
        EXPECT_EQ(tag(b, 36), "data");
        EXPECT_EQ(u32(b, 40), dataBytes);
    }
}

TEST_F(WavWriter, WritesUnderFolderAndFileNamesBeyondAscii)
{
    // Users' music folders are often named "Música"; the name must reach the OS intact.
    const fs::path subfolder = folder / fs::path(u8"Música ñandú");
    fs::create_directories(subfolder);
    const fs::path path = subfolder / fs::path(u8"canción-日本.wav");
    writeWav(path, plan, {{SectionKind::Start, 0, 10}}, 16, kNoTick);
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 44u + 10 * 4);
    EXPECT_EQ(fs::directory_iterator(subfolder)->path().filename(), path.filename());
}

TEST_F(WavWriter, SamplesAreGainedClippedSymmetricallyAndRoundedHalvesAwayFromZero)
{
    struct Case {
        int bits;
        float gain;
        float value;
        int32_t expected;  // left; the right channel carries -value and must give -expected
    };
    const Case cases[] = {
        {24, 1.0f, 1.0f, 8388607},
        {24, 1.0f, 1.5f, 8388607},
        {24, 1.0f, -1.5f, -8388607},
        {24, 1.0f, 0.5f / 8388607.0f, 1},
        {24, 1.0f, 0.49f / 8388607.0f, 0},
        {24, 1.0f, 0.25f, 2097152},  // 2 097 151.75
        {24, 1.0f, 0.0f, 0},
        {24, 0.5f, 1.0f, 4194304},  // 4 194 303.5 after the gain
        {24, 0.5f, 3.0f, 8388607},  // clipped after the gain
        {16, 1.0f, 1.0f, 32767},
        {16, 1.0f, -1.5f, -32767},
        {16, 1.0f, 0.5f / 32767.0f, 1},
        {16, 1.0f, 0.25f, 8192},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bits << " bits, gain " << c.gain << ", value " << c.value);
        song[0] = c.value;
        song[1] = -c.value;
        plan.gain = c.gain;
        const fs::path path = folder / "samples.wav";
        writeWav(path, plan, {{SectionKind::Start, 0, 1}}, c.bits, kNoTick);
        const Bytes b = readBytes(path);
        ASSERT_EQ(b.size(), 44u + 2 * size_t(c.bits / 8));
        EXPECT_EQ(sampleAt(b, 44, c.bits), c.expected);
        EXPECT_EQ(sampleAt(b, 44 + size_t(c.bits / 8), c.bits), -c.expected);
    }

    // The clip points in file order.
    song[0] = 1.0f;
    song[1] = -1.5f;
    plan.gain = 1.0f;
    writeWav(folder / "clip.wav", plan, {{SectionKind::Start, 0, 1}}, 24, kNoTick);
    EXPECT_EQ(dataOf(readBytes(folder / "clip.wav")), (Bytes{0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x80}));
}

TEST_F(WavWriter, EmptyListWritesOnlyTheHeaderAndNeverTicks)
{
    int ticks = 0;
    writeWav(folder / "empty.wav", plan, {}, 24, [&] { ++ticks; });
    const Bytes b = readBytes(folder / "empty.wav");
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(u32(b, 4), 36u);
    EXPECT_EQ(u32(b, 40), 0u);
    EXPECT_EQ(ticks, 0);
}

TEST_F(WavWriter, FourGigabyteLimitIsExactAndCheckedBeforeTheFileExists)
{
    for (const int bits : {24, 16}) {
        SCOPED_TRACE(bits);
        const int64_t limitFrames = int64_t(0xFFFFFFF0u) / (bits / 4);
        const int64_t start = sectionLength(plan, SectionKind::Start);
        std::vector<Segment> segments(size_t(limitFrames / start), Segment{SectionKind::Start, 0, start});
        segments.push_back({SectionKind::Start, 0, limitFrames % start});
        ASSERT_EQ(totalFrames(segments), limitFrames);

        // Accepted: stop at the first tick and read the sizes the header announces.
        const fs::path accepted = folder / "limit.wav";
        EXPECT_THROW(writeWav(accepted, plan, segments, bits, [] { throw 42; }), int);
        const Bytes b = readBytes(accepted);
        ASSERT_EQ(b.size(), 44u);
        EXPECT_EQ(u32(b, 40), 0xFFFFFFF0u);
        EXPECT_EQ(u32(b, 4), 0xFFFFFFFFu);  // dataBytes + 36 saturates

        segments.push_back({SectionKind::Loop, 0, 1});
        const fs::path refused = folder / "too-long.wav";
        expectFailure([&] { writeWav(refused, plan, segments, bits, kNoTick); },
                      "Montaje demasiado largo para WAV (limite 4 GB).");
        EXPECT_FALSE(fs::exists(refused));
    }
}

TEST_F(WavWriter, RefusedListsAndUnwritableDestinationsLeaveNoFile)
{
    const int64_t loop = sectionLength(plan, SectionKind::Loop);
    const int64_t outro = sectionLength(plan, SectionKind::Outro);
    struct Case {
        const char* what;
        std::vector<Segment> segments;
        fs::path path;
        std::string message;
    };
    const Case cases[] = {
        {"loop one frame too long", {{SectionKind::Loop, 0, loop + 1}}, folder / "a.wav", "Segmento invalido."},
        {"outro past the song end", {{SectionKind::Outro, outro, 1}}, folder / "b.wav", "Segmento invalido."},
        {"negative offset", {{SectionKind::Start, -1, 10}}, folder / "c.wav", "Segmento invalido."},
        {"negative count", {{SectionKind::Start, 0, -1}}, folder / "d.wav", "Segmento invalido."},
        {"bad segment after good ones", {{SectionKind::Start, 0, 10}, {SectionKind::Loop, loop, 1}},
         folder / "e.wav", "Segmento invalido."},
        {"folder that does not exist", {{SectionKind::Start, 0, 10}}, folder / "missing" / "f.wav",
         "No se puede escribir el WAV."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectFailure([&] { writeWav(c.path, plan, c.segments, 24, kNoTick); }, c.message);
        EXPECT_FALSE(fs::exists(c.path));
    }
}

TEST_F(WavWriter, FailedWriteIsReportedAsFullDisk)
{
    // Call 1 writes the header, later calls write sample blocks.
    for (const int failingWrite : {1, 2, 6}) {
        SCOPED_TRACE(failingWrite);
        const FailingWrites diskFull(failingWrite);
        expectFailure([&] { writeWav(folder / "full.wav", plan, montageSegments(plan, 2), 24, kNoTick); },
                      "Fallo de escritura: comprueba espacio y permisos.");
    }
}

TEST_F(WavWriter, TicksOnEvery4096thSectionFrameAndStreamsWhatCameBefore)
{
    const fs::path path = folder / "ticks.wav";
    std::vector<uintmax_t> sizesAtTicks;
    // Start ticks at frames 4096 and 8192, the loop at 0 and 4096.
    writeWav(path, plan, {{SectionKind::Start, 100, 9000}, {SectionKind::Loop, 0, 4097}}, 24,
             [&] { sizesAtTicks.push_back(fs::file_size(path)); });
    const std::vector<uintmax_t> expected = {44, 44 + 3996 * 6, 44 + (3996 + 4096) * 6, 44 + 9000 * 6};
    EXPECT_EQ(sizesAtTicks, expected);
    EXPECT_EQ(fs::file_size(path), 44u + (9000 + 4097) * 6);
}

TEST_F(WavWriter, SamplesFollowTheFrameRuleForAnySegmentList)
{
    // A loud song (gain below 1) and segments too short to meet a tick point,
    // which must still stream through the fixed buffer.
    song = distinctSong(10 * 48000, 3, 1.5f);
    prepareRender(plan, song, cutRecord(1, 2.5, 4), 0.1);
    ASSERT_LT(plan.gain, 1.0f);
    // First, 4095 + 4095 + 2 frames that fill the 16-bit buffer to its last byte.
    std::vector<Segment> segments = {{SectionKind::Start, 1, 4095}, {SectionKind::Start, 1, 4095},
                                     {SectionKind::Start, 1, 2}};
    const std::vector<Segment> join = joinSegments(plan);
    segments.insert(segments.end(), join.begin(), join.end());
    for (int k = 0; k < 12; ++k)
        segments.push_back({SectionKind::Start, 1 + k, 3000});
    segments.push_back({SectionKind::Loop, sectionLength(plan, SectionKind::Loop) - 5000, 5000});
    segments.push_back({SectionKind::Outro, 7, 13000});
    for (const int bits : {24, 16}) {
        SCOPED_TRACE(bits);
        writeWav(folder / "any.wav", plan, segments, bits, kNoTick);
        EXPECT_TRUE(dataOf(readBytes(folder / "any.wav")) == expectedData(plan, segments, bits));
    }
}

TEST_F(WavWriter, SectionFilesPlacedEndToEndEqualTheMontage)
{
    std::mt19937 random(2024);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
    for (int trial = 0; trial < 8; ++trial) {
        const int64_t frames = std::uniform_int_distribution<int64_t>(12000, 60000)(random);
        const double duration = framesToSeconds(double(frames));
        const double fade = uniform(0.005, std::min(0.25, duration / 10));
        const double start = fade + uniform(0.0001, duration / 5);
        const double end = start + fade + uniform(0.0001, duration / 5);
        const double outro = end + 0.999 * uniform(0, duration - 2 * fade - end);
        song = distinctSong(frames, uint32_t(trial), float(uniform(0.3, 1.6)));
        prepareRender(plan, song, cutRecord(start, end, outro), fade);
        const unsigned repetitions = unsigned(1 + trial % 4);
        const int bits = trial % 2 ? 16 : 24;
        SCOPED_TRACE(::testing::Message() << "trial " << trial << ": " << frames << " frames, cuts " << start << " "
                                          << end << " " << outro << " fade " << fade);

        auto sectionData = [&](SectionKind section) {
            const fs::path path = folder / "section.wav";
            writeWav(path, plan, {{section, 0, sectionLength(plan, section)}}, bits, kNoTick);
            return dataOf(readBytes(path));
        };
        Bytes joined = sectionData(SectionKind::Start);
        const Bytes loop = sectionData(SectionKind::Loop);
        for (unsigned n = 0; n < repetitions; ++n)
            joined.insert(joined.end(), loop.begin(), loop.end());
        const Bytes outroData = sectionData(SectionKind::Outro);
        joined.insert(joined.end(), outroData.begin(), outroData.end());

        const fs::path montage = folder / "montage.wav";
        writeWav(montage, plan, montageSegments(plan, repetitions), bits, kNoTick);
        const Bytes montageData = dataOf(readBytes(montage));
        ASSERT_EQ(montageData.size(), joined.size());
        EXPECT_TRUE(montageData == joined);
    }
}
