#include <algorithm>
#include <bit>
#include <cstring>
#include <gtest/gtest.h>

#include "analysis/cut_rule.h"
#include "analysis/analysis_model.h"

namespace {

template <typename T>
void putLittleEndian(uint8_t* at, T value)
{
    uint8_t raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    // Stored little-endian whatever the host: reverse on a big-endian one.
    if constexpr (std::endian::native == std::endian::big)
        std::reverse(raw, raw + sizeof(T));
    std::memcpy(at, raw, sizeof(T));
}

} // namespace

TEST(AnalysisModel, DefaultValueIsUnanalysed)
{
    const Analysis a;
    EXPECT_EQ(a.bpm, 0.0);
    EXPECT_EQ(a.bpmLow, 0.0);
    EXPECT_EQ(a.bpmHigh, 0.0);
    EXPECT_EQ(a.confidence, 0.0);
    EXPECT_EQ(a.meter, 4);
    EXPECT_TRUE(a.loops.empty());
    EXPECT_TRUE(a.overview.empty());
    EXPECT_TRUE(a.beats.empty());
    EXPECT_TRUE(a.connections.empty());
    EXPECT_EQ(a.engine, "unanalysed");
}

// The cache stores Beat records byte for byte: build one from its documented
// layout, read it as a Beat, and write it back bit-identical.
TEST(AnalysisModel, BeatBytesRoundTripBitIdenticalWithReservedZeros)
{
    uint8_t stored[240] = {};
    putLittleEndian<double>(stored + 0, 12.345);
    putLittleEndian<double>(stored + 8, 0.5);
    putLittleEndian<double>(stored + 16, 121.5);
    putLittleEndian<float>(stored + 24, 0.875f);
    putLittleEndian<float>(stored + 28, 0.25f);
    putLittleEndian<float>(stored + 32, -17.5f);
    putLittleEndian<int32_t>(stored + 40, 3);
    putLittleEndian<int32_t>(stored + 44, -1);
    for (int k = 0; k < 12; ++k) {
        putLittleEndian<double>(stored + 48 + 8 * k, 0.01 * (k + 1));
        putLittleEndian<double>(stored + 144 + 8 * k, -1.0 * (k + 1));
    }

    Beat beat;
    std::memcpy(&beat, stored, sizeof beat);
    EXPECT_EQ(beat.time, 12.345);
    EXPECT_EQ(beat.duration, 0.5);
    EXPECT_EQ(beat.bpm, 121.5);
    EXPECT_EQ(beat.confidence, 0.875f);
    EXPECT_EQ(beat.downbeatProbability, 0.25f);
    EXPECT_EQ(beat.loudness, -17.5f);
    EXPECT_EQ(beat.phase, 3);
    EXPECT_EQ(beat.bar, -1);
    EXPECT_EQ(beat.chroma[11], 0.12);
    EXPECT_EQ(beat.mfcc[0], -1.0);
    EXPECT_EQ(beat.mfcc[11], -12.0);

    const Beat copy = beat;
    uint8_t written[240];
    std::memcpy(written, &copy, sizeof copy);
    EXPECT_EQ(std::memcmp(written, stored, sizeof stored), 0);

    // A fresh Beat already holds zeros in its reserved bytes.
    const Beat fresh;
    uint8_t freshBytes[240];
    std::memcpy(freshBytes, &fresh, sizeof fresh);
    EXPECT_EQ(freshBytes[36] | freshBytes[37] | freshBytes[38] | freshBytes[39], 0);
}

TEST(AnalysisModel, CopyIsDeepAndMoveHandsOverTheVectors)
{
    Analysis original;
    original.bpm = 120;
    original.beats.resize(3);
    original.beats[1].time = 0.5;
    original.overview.assign(kOverviewSize, 0.25f);
    original.connections.push_back({0, 2, 0.9f, 0.8f, 0.7f});
    original.loops.push_back(cutRecord(1, 2, 3));
    original.engine = kEngineNeural;

    Analysis copy = original;
    copy.beats[1].time = 9.0;
    copy.overview[0] = 1.0f;
    copy.connections[0].to = 1;
    copy.loops[0].start = 0.5;
    copy.engine = kEngineCache;
    EXPECT_EQ(original.beats[1].time, 0.5);
    EXPECT_EQ(original.overview[0], 0.25f);
    EXPECT_EQ(original.connections[0].to, 2);
    EXPECT_EQ(original.loops[0].start, 1.0);
    EXPECT_EQ(original.engine, kEngineNeural);

    const Beat* beats = original.beats.data();
    const float* overview = original.overview.data();
    const Analysis moved = std::move(original);
    EXPECT_EQ(moved.beats.data(), beats);
    EXPECT_EQ(moved.overview.data(), overview);
    EXPECT_EQ(moved.bpm, 120);
    EXPECT_EQ(moved.engine, kEngineNeural);
}
