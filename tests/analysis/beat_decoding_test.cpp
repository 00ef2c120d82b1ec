#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/beat_decoding.h"

namespace {

constexpr float kQuiet = -5.0f;

// Activations of `frames` frames, quiet except the given frames.
struct Track {
    std::vector<float> beat;
    std::vector<float> downbeat;

    explicit Track(size_t frames) : beat(frames, kQuiet), downbeat(frames, kQuiet) {}
};

float sigmoid(float x)
{
    return 1.0f / (1.0f + std::exp(-x));
}

std::vector<double> times(const DecodedBeats& d)
{
    std::vector<double> t;
    for (const Beat& b : d.beats)
        t.push_back(b.time);
    return t;
}

// Beats every 25 frames (0.5 s) from frame 25 on, downbeat peaks on the given beats.
DecodedBeats withDownbeats(int beats, const std::vector<int>& downbeatBeats, float downbeatLogit = 3.0f)
{
    Track t(static_cast<size_t>(25 * (beats + 2)));
    for (int i = 0; i < beats; ++i)
        t.beat[25 + 25 * i] = 4.0f;
    for (const int i : downbeatBeats)
        t.downbeat[25 + 25 * i] = downbeatLogit;
    return decodeBeats(t.beat, t.downbeat, static_cast<double>(t.beat.size()) / 50.0);
}

} // namespace

TEST(BeatDecoding, NothingPositiveGivesNoBeats)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const std::vector<float>& a : {std::vector<float>(500, -1000.0f), std::vector<float>(500, 0.0f),
                                        std::vector<float>{nan, inf, nan, 0.0f, inf, -inf}}) {
        const DecodedBeats d = decodeBeats(a, a, 10.0);
        EXPECT_TRUE(d.beats.empty());
        EXPECT_EQ(d.meter, 4);
    }
}

TEST(BeatDecoding, PeaksPlateausAndMerging)
{
    Track t(400);
    // A plateau of three: the first two merge, the third starts a new beat.
    t.beat[100] = t.beat[101] = t.beat[102] = 2.0f;
    // A lower value within three frames of a higher one is no peak.
    t.beat[200] = 3.0f;
    t.beat[203] = 2.5f;
    // Equal values four frames apart are both peaks.
    t.beat[300] = 1.0f;
    t.beat[304] = 1.0f;
    const DecodedBeats d = decodeBeats(t.beat, t.downbeat, 8.0);
    EXPECT_EQ(times(d), (std::vector<double>{100.5 / 50, 102.0 / 50, 200.0 / 50, 300.0 / 50, 304.0 / 50}));
    EXPECT_FLOAT_EQ(d.beats[0].confidence, sigmoid(2.0f));  // read at floor(100.5)
    EXPECT_FLOAT_EQ(d.beats[2].confidence, sigmoid(3.0f));
    for (const Beat& b : d.beats) {
        EXPECT_EQ(b.loudness, -90.0f);
        EXPECT_EQ(b.downbeatProbability, 0.0f);
    }
}

TEST(BeatDecoding, BeatsStopBeforeTheSongEnd)
{
    Track t(200);
    t.beat[100] = 1.0f;
    t.beat[148] = 1.0f;
    t.beat[150] = 1.0f;  // exactly at the 3 s end
    t.beat[190] = 1.0f;
    const DecodedBeats d = decodeBeats(t.beat, t.downbeat, 3.0);
    ASSERT_EQ(times(d), (std::vector<double>{2.0, 2.96}));
    EXPECT_DOUBLE_EQ(d.beats[0].duration, 0.96);
    EXPECT_NEAR(d.beats[1].duration, 0.04, 1e-12);
}

TEST(BeatDecoding, DownbeatsSnapToTheNearestBeat)
{
    Track t(400);
    t.beat[100] = t.beat[110] = t.beat[200] = t.beat[300] = 2.0f;
    t.downbeat[105] = 1.5f;  // half-way between beats 0 and 1: the later one
    t.downbeat[209] = 2.5f;  // 0.18 s after beat 2
    t.downbeat[290] = 2.5f;  // 0.2 s before beat 3: too far
    t.downbeat[380] = 2.5f;  // past the last beat, 1.6 s away
    const DecodedBeats d = decodeBeats(t.beat, t.downbeat, 8.0);
    ASSERT_EQ(d.beats.size(), 4u);
    EXPECT_EQ(d.beats[0].downbeatProbability, 0.0f);
    EXPECT_FLOAT_EQ(d.beats[1].downbeatProbability, sigmoid(1.5f));
    EXPECT_FLOAT_EQ(d.beats[2].downbeatProbability, sigmoid(2.5f));
    EXPECT_EQ(d.beats[3].downbeatProbability, 0.0f);

    // Two downbeat peaks on one beat: the later one's value stays.
    Track u(300);
    u.beat[100] = 2.0f;
    u.downbeat[95] = 3.0f;
    u.downbeat[104] = 1.0f;
    const DecodedBeats e = decodeBeats(u.beat, u.downbeat, 6.0);
    ASSERT_EQ(e.beats.size(), 1u);
    EXPECT_FLOAT_EQ(e.beats[0].downbeatProbability, sigmoid(1.0f));
}

TEST(BeatDecoding, MeterIsTheMostFrequentBarLength)
{
    struct Case {
        std::vector<int> downbeats;
        int32_t meter;
    };
    const std::vector<Case> cases = {
        {{0, 3, 6, 9}, 3},
        {{0, 3, 6, 10, 14}, 4},     // 3, 3, 4, 4: a tie with 4 goes to 4
        {{0, 3, 6, 11, 16}, 3},     // 3, 3, 5, 5: the shorter bar wins
        {{0, 5, 10, 12, 14}, 2},    // 5, 5, 2, 2
        {{1, 9, 17}, 4},            // bars of 8 are not counted
        {{3}, 4},
        {{}, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withDownbeats(20, c.downbeats).meter, c.meter) << ::testing::PrintToString(c.downbeats);
}

TEST(BeatDecoding, PhasesCountFromDownbeatsAndBackwardsBeforeTheFirst)
{
    // A peak whose logit is too small for a probability above 0.5 still
    // counts towards the meter (gaps 4 and 3: meter 4) but opens no bar.
    Track t(25 * 13);
    for (int i = 0; i < 11; ++i)
        t.beat[25 + 25 * i] = 4.0f;
    t.downbeat[25 + 25 * 2] = 3.0f;
    t.downbeat[25 + 25 * 6] = 1e-9f;
    t.downbeat[25 + 25 * 9] = 3.0f;
    const DecodedBeats d = decodeBeats(t.beat, t.downbeat, 6.5);
    ASSERT_EQ(d.beats.size(), 11u);
    EXPECT_EQ(d.meter, 4);
    std::vector<int32_t> phases, bars;
    for (const Beat& b : d.beats) {
        phases.push_back(b.phase);
        bars.push_back(b.bar);
    }
    EXPECT_EQ(phases, (std::vector<int32_t>{2, 3, 0, 1, 2, 3, 0, 1, 2, 0, 1}));
    EXPECT_EQ(bars, (std::vector<int32_t>{0, 0, 1, 1, 1, 1, 1, 1, 1, 2, 2}));
}

TEST(BeatDecoding, LocalTempoIsTheUpperMedianOfNearbyIntervals)
{
    // Intervals of 20, 21, ... 25 frames. Around beat 0 the averaged
    // intervals are 20.5, 21, 21.5, 21.5, 22, 22, 22.5, 23 frames: the upper
    // median is 22 frames (0.44 s).
    Track t(200);
    for (const int f : {10, 30, 51, 73, 96, 120, 145})
        t.beat[f] = 2.0f;
    const DecodedBeats d = decodeBeats(t.beat, t.downbeat, 4.0);
    ASSERT_EQ(d.beats.size(), 7u);
    EXPECT_NEAR(d.beats[0].bpm, 60.0 / 0.44, 1e-9);

    // Steady beats: steady tempo everywhere, the last beat included.
    const DecodedBeats steady = withDownbeats(12, {});
    for (const Beat& b : steady.beats)
        EXPECT_NEAR(b.bpm, 120.0, 1e-9);

    // Intervals outside (0.15 s, 2 s) are ignored; with none left bpm stays 0.
    Track slow(600);
    slow.beat[10] = slow.beat[120] = slow.beat[230] = 2.0f;  // 2.2 s apart
    for (const Beat& b : decodeBeats(slow.beat, slow.downbeat, 12.0).beats)
        EXPECT_EQ(b.bpm, 0.0);

    // Two beats: no interval spans two beats.
    Track pair(100);
    pair.beat[20] = pair.beat[45] = 2.0f;
    for (const Beat& b : decodeBeats(pair.beat, pair.downbeat, 2.0).beats)
        EXPECT_EQ(b.bpm, 0.0);
}
