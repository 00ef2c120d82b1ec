#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "analysis/loop_search.h"
#include "analysis/loop_selection.h"

namespace {

// A steady song whose beats all sound alike, so every gate the song passes yields a loop.
Analysis steadySong(int count, double interval, int meter)
{
    Analysis a;
    a.meter = meter;
    for (int k = 0; k < count; ++k) {
        Beat b;
        b.time = interval * k;
        b.duration = interval;
        b.bpm = 60.0 / interval;
        b.confidence = 0.9f;
        b.phase = k % meter;
        b.downbeatProbability = b.phase == 0 ? 0.9f : 0.0f;
        b.loudness = -20.0f;
        const double triad[12] = {3.0, 0.2, 0.3, 0.1, 2.5, 0.4, 0.2, 2.8, 0.1, 0.3, 0.2, 0.5};
        std::copy(std::begin(triad), std::end(triad), b.chroma);
        a.beats.push_back(b);
    }
    return a;
}

double durationOf(const Analysis& a)
{
    return a.beats.back().time + a.beats.back().duration;
}

// Every downbeat but c is too quiet to start a loop.
void onlyStartAt(Analysis& a, int c)
{
    for (size_t k = 0; k < a.beats.size(); ++k)
        if (a.beats[k].phase == 0 && static_cast<int>(k) != c)
            a.beats[k].loudness = -60.0f;
}

const TickFn noTick = [] {};

bool hasLoopOfBars(const Analysis& a, int bars)
{
    return std::any_of(a.loops.begin(), a.loops.end(), [&](const Loop& l) { return l.bars == bars; });
}

Loop proposal(double start, double end, double score)
{
    Loop l;
    l.start = start;
    l.end = end;
    l.score = score;
    return l;
}

} // namespace

TEST(LoopSearch, NeedsMoreThanTwentyBeats)
{
    Analysis twenty = steadySong(20, 1.0, 1);
    findLoops(twenty, durationOf(twenty), noTick);
    EXPECT_TRUE(twenty.loops.empty());

    Analysis twentyOne = steadySong(21, 1.0, 1);
    findLoops(twentyOne, durationOf(twentyOne), noTick);
    EXPECT_FALSE(twentyOne.loops.empty());
}

TEST(LoopSearch, StartGates)
{
    struct Case {
        const char* name;
        int count;
        double interval;
        int probe;
        double probeTime;  // NaN keeps the steady time
        float probeLoudness;
        bool found;
    };
    const double keep = std::nan("");
    const Case cases[] = {
        {"start at 1.49 s", 200, 0.375, 4, 1.49, -20.0f, false},
        {"start at 1.5 s", 200, 0.375, 4, 1.5, -20.0f, true},
        {"100 s song, start at 32 s", 200, 0.5, 64, 32.0, -20.0f, true},
        {"100 s song, start at 32.01 s", 200, 0.5, 64, 32.01, -20.0f, false},
        {"10 min song, start at 45 s", 960, 0.625, 72, 45.0, -20.0f, true},
        {"10 min song, start at 45.01 s", 960, 0.625, 72, 45.01, -20.0f, false},
        {"start at -48 dB", 200, 0.5, 8, keep, -48.0f, true},
        {"start at -48.5 dB", 200, 0.5, 8, keep, -48.5f, false},
        {"start off the downbeat", 200, 0.5, 9, keep, -20.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analysis a = steadySong(c.count, c.interval, 4);
        onlyStartAt(a, c.probe);
        if (!std::isnan(c.probeTime))
            a.beats[c.probe].time = c.probeTime;
        a.beats[c.probe].loudness = c.probeLoudness;
        findLoops(a, durationOf(a), noTick);
        EXPECT_EQ(!a.loops.empty(), c.found);
        for (const Loop& l : a.loops)
            EXPECT_EQ(l.startBeat, c.probe);
    }
}

TEST(LoopSearch, LengthAndRhythmGates)
{
    struct Case {
        const char* name;
        int count;
        double interval;
        std::function<void(Analysis&)> change;
        int bars;
        bool found;
    };
    const auto none = [](Analysis&) {};
    // Loops start at beat 4 in 4/4; a 4-bar loop ends at beat 20, so beat 19 closes it.
    const auto lastBeatBpm = [](double bpm) { return [bpm](Analysis& a) { a.beats[19].bpm = bpm; }; };
    const Case cases[] = {
        {"2 bars of exactly 6 s", 100, 0.75, none, 2, true},
        {"2 bars of 5.92 s", 100, 0.74, none, 2, false},
        {"4 bars from the same start", 100, 0.74, none, 4, true},
        {"32 bars of exactly 125 s", 180, 125.0 / 128.0, none, 32, true},
        {"32 bars of 125.44 s", 180, 0.98, none, 32, false},
        {"24 bars of 94.08 s", 180, 0.98, none, 24, true},
        {"last beat 3.5 % faster", 100, 0.75, lastBeatBpm(82.8), 4, true},
        {"last beat 3.75 % faster", 100, 0.75, lastBeatBpm(83.0), 4, false},
        {"last beat without tempo", 100, 0.75, lastBeatBpm(0.0), 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analysis a = steadySong(c.count, c.interval, 4);
        onlyStartAt(a, 4);
        c.change(a);
        findLoops(a, durationOf(a), noTick);
        EXPECT_EQ(hasLoopOfBars(a, c.bars), c.found);
    }
}

TEST(LoopSearch, OutroWindowNearTheSongEnd)
{
    // Every beat alike and on the downbeat, so the downbeat probability alone
    // picks the outro: flat picks the first beat of the window, rising the last.
    struct Case {
        const char* name;
        int count;
        bool rising;
        double outro;
    };
    const Case cases[] = {
        {"60 s song, first outro beat", 120, false, 39.0},
        {"60 s song, last outro beat", 120, true, 57.0},
        {"5 min song, first outro beat", 600, false, 264.0},
        {"5 min song, last outro beat", 600, true, 297.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analysis a = steadySong(c.count, 0.5, 1);
        if (c.rising)
            for (size_t k = 0; k < a.beats.size(); ++k)
                a.beats[k].downbeatProbability = static_cast<float>(k) / static_cast<float>(a.beats.size());
        findLoops(a, durationOf(a), noTick);
        ASSERT_FALSE(a.loops.empty());
        for (const Loop& l : a.loops) {
            EXPECT_EQ(l.outro, c.outro);
            EXPECT_EQ(a.beats[l.outroBeat].time, l.outro);
        }
    }
}

TEST(LoopSearch, FourBarLoopOutranksOtherwiseEqualTwoBarLoop)
{
    Analysis a = steadySong(100, 1.0, 4);
    onlyStartAt(a, 4);
    int ticks = 0;
    findLoops(a, durationOf(a), [&] { ++ticks; });
    EXPECT_EQ(ticks, 100 - 17 - 4 + 1);  // once per start beat 4 ... N - 17

    const auto position = [&](int bars) {
        return std::find_if(a.loops.begin(), a.loops.end(), [&](const Loop& l) { return l.bars == bars; }) -
               a.loops.begin();
    };
    const auto two = position(2);
    const auto four = position(4);
    ASSERT_LT(four, two);
    ASSERT_LT(two, static_cast<std::ptrdiff_t>(a.loops.size()));
    EXPECT_NEAR(a.loops[four].score - a.loops[two].score, 0.015, 1e-12);
    const Loop& best = a.loops[four];
    EXPECT_EQ(best.startBeat, 4);
    EXPECT_EQ(best.endBeat, 20);
    EXPECT_EQ(best.start, 4.0);
    EXPECT_EQ(best.end, 20.0);
    EXPECT_DOUBLE_EQ(best.rhythm, 1.0);
}

TEST(LoopSelection, NearDuplicatesGiveWayToTheBetterScore)
{
    const std::vector<Loop> kept = selectLoops({
        proposal(11.0, 22.0, 0.8),  // start 1 s and end 2 s from the best: dropped
        proposal(12.0, 20.0, 0.6),  // start 2 s away: kept
        proposal(10.0, 20.0, 0.9),
        proposal(11.0, 23.0, 0.7),  // end 3 s away: kept
    });
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].score, 0.9);
    EXPECT_EQ(kept[1].score, 0.7);
    EXPECT_EQ(kept[2].score, 0.6);
}

TEST(LoopSelection, KeepsTheSixteenBest)
{
    std::vector<int> order(40);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    std::vector<Loop> proposals;
    for (const int k : order)
        proposals.push_back(proposal(3.0 * k, 3.0 * k + 10.0, 0.01 * k));
    const std::vector<Loop> kept = selectLoops(proposals);
    ASSERT_EQ(kept.size(), 16u);
    for (size_t k = 0; k < kept.size(); ++k)
        EXPECT_EQ(kept[k].score, 0.01 * static_cast<double>(39 - k));
}
