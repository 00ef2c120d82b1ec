#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "analysis/beat_connections.h"

namespace {

// Every beat identical: same harmony, timbre, loudness and tempo, so any two
// beats that pass the gates match perfectly.
Analysis identicalBeats(int count, int meter)
{
    Analysis a;
    a.meter = meter;
    for (int k = 0; k < count; ++k) {
        Beat b;
        b.time = 0.5 * k;
        b.duration = 0.5;
        b.bpm = 120.0;
        b.confidence = 0.9f;
        b.loudness = -20.0f;
        b.phase = k % meter;
        const double triad[12] = {3.0, 0.2, 0.3, 0.1, 2.5, 0.4, 0.2, 2.8, 0.1, 0.3, 0.2, 0.5};
        std::copy(std::begin(triad), std::end(triad), b.chroma);
        a.beats.push_back(b);
    }
    return a;
}

const TickFn noTick = [] {};

std::set<int> sources(const Analysis& a)
{
    std::set<int> from;
    for (const Connection& c : a.connections)
        from.insert(c.from);
    return from;
}

} // namespace

TEST(BeatConnections, ShortSongsHaveNoneAndAPerfectMatchScoresOne)
{
    Analysis sixteen = identicalBeats(16, 4);
    findConnections(sixteen, noTick);
    EXPECT_TRUE(sixteen.connections.empty());

    // The only pair 8 or more beats apart in 4 ... 12 is (4, 12), in both directions.
    Analysis seventeen = identicalBeats(17, 4);
    findConnections(seventeen, noTick);
    ASSERT_EQ(seventeen.connections.size(), 2u);
    const Connection first = seventeen.connections[0];
    const Connection second = seventeen.connections[1];
    EXPECT_EQ(first.from, 3);
    EXPECT_EQ(first.to, 12);
    EXPECT_EQ(second.from, 11);
    EXPECT_EQ(second.to, 4);
    for (const Connection& c : seventeen.connections) {
        EXPECT_EQ(c.score, 1.0f);
        EXPECT_FLOAT_EQ(c.harmony, 1.0f);
        EXPECT_EQ(c.timbre, 1.0f);
    }
}

TEST(BeatConnections, GatesOnBeatTwelve)
{
    // In a 17-beat song beats 4 and 12 connect both ways (from 3 and from 11);
    // each case changes beat 12 and lists the sources that remain.
    struct Case {
        const char* name;
        std::function<void(Beat&)> change;
        std::set<int> from;
    };
    const Case cases[] = {
        {"unchanged", [](Beat&) {}, {3, 11}},
        {"other bar position", [](Beat& b) { b.phase = 1; }, {}},
        {"confidence 0.549", [](Beat& b) { b.confidence = 0.549f; }, {}},
        {"confidence 0.55", [](Beat& b) { b.confidence = 0.55f; }, {3, 11}},
        {"loudness -48.5 dB", [](Beat& b) { b.loudness = -48.5f; }, {}},
        {"loudness -48 dB", [](Beat& b) { b.loudness = -48.0f; }, {3, 11}},
        // bpm(i) / bpm(j): 120 / 132 and 132 / 120 = 1.1 exactly.
        {"ratio 1.1 accepted", [](Beat& b) { b.bpm = 132.0; }, {3, 11}},
        {"ratio just above 1.1", [](Beat& b) { b.bpm = 132.0001; }, {3}},
        // 108 / 120 = 0.9 exactly, while 120 / 108 is above 1.1.
        {"ratio 0.9 accepted", [](Beat& b) { b.bpm = 108.0; }, {11}},
        {"ratio just below 0.9", [](Beat& b) { b.bpm = 107.9999; }, {}},
        {"no tempo", [](Beat& b) { b.bpm = 0.0; }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analysis a = identicalBeats(17, 4);
        c.change(a.beats[12]);
        findConnections(a, noTick);
        EXPECT_EQ(sources(a), c.from);
    }
}

TEST(BeatConnections, KeepsTheFiveBestPerSourceInScoreOrder)
{
    // One bar position everywhere and a timbre that drifts along the song:
    // the closer two beats, the higher their score, and every beat has far
    // more than five acceptable partners.
    Analysis a = identicalBeats(40, 1);
    for (size_t k = 0; k < a.beats.size(); ++k)
        a.beats[k].mfcc[0] = 0.05 * static_cast<double>(k);
    int ticks = 0;
    findConnections(a, [&] { ++ticks; });
    EXPECT_EQ(ticks, 32);  // once per candidate beat 4 ... 35

    std::map<int, std::vector<Connection>> groups;
    int lastFrom = -1;
    for (const Connection& c : a.connections) {
        EXPECT_GE(c.from, lastFrom);
        lastFrom = c.from;
        EXPECT_GE(std::abs(c.to - (c.from + 1)), 8);
        groups[c.from].push_back(c);
    }
    ASSERT_EQ(groups.size(), 32u);
    for (const auto& [from, group] : groups) {
        ASSERT_EQ(group.size(), 5u) << from;
        for (size_t k = 1; k < group.size(); ++k)
            EXPECT_GE(group[k - 1].score, group[k].score);
    }
    const auto targets = [&](int from) {
        std::set<int> to;
        for (const Connection& c : groups[from])
            to.insert(c.to);
        return to;
    };
    EXPECT_EQ(targets(3), (std::set<int>{12, 13, 14, 15, 16}));
    EXPECT_EQ(targets(34), (std::set<int>{23, 24, 25, 26, 27}));
}

TEST(BeatConnections, SilentChromaCountsAsNoHarmonyWithoutDividingByZero)
{
    Analysis a = identicalBeats(17, 4);
    std::fill(std::begin(a.beats[3].chroma), std::end(a.beats[3].chroma), 0.0);
    findConnections(a, noTick);
    // Beat 3 lies in both compared neighbourhoods: one of four pairs scores 0.
    ASSERT_EQ(a.connections.size(), 2u);
    for (const Connection& c : a.connections) {
        EXPECT_NEAR(c.harmony, 0.75f, 1e-6);
        EXPECT_NEAR(c.score, 0.28f + 0.48f * 0.75f + 0.24f, 1e-6);
    }
}
