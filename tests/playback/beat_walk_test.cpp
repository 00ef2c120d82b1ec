#include "playback/beat_walk.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Analysis beatsAt(std::initializer_list<double> times)
{
    Analysis a;
    for (double t : times) {
        Beat b;
        b.time = t;
        a.beats.push_back(b);
    }
    return a;
}

int32_t choose(const Analysis& a, int32_t cur, std::mt19937& g, const RecentBeats& recent, double probability)
{
    const ConnectionIndex index = indexConnections(a);
    WalkScratch scratch = walkScratchFor(index);
    return chooseNextBeat(a, cur, g, recent, probability, index, scratch);
}

TEST(BeatWalk, BeatIndexAtFindsTheLastBeatAtOrBeforeTheTime)
{
    const Analysis a = beatsAt({0.5, 1.0, 1.5});
    struct Case {
        double t;
        int32_t beat;
    } cases[] = {{1.0, 1},           {std::nextafter(1.0, 0.0), 0}, {0.5, 0}, {0.2, 0}, {-3.0, 0},
                 {1.5, 2},           {99.0, 2},                     {1.2, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(beatIndexAt(a, c.t), c.beat) << c.t;
    EXPECT_EQ(beatIndexAt(Analysis{}, 4.0), 0);
}

TEST(BeatWalk, RecentBeatsKeepTheLastTwentyOldestFirst)
{
    RecentBeats recent;
    for (int32_t b = 100; b < 125; ++b)
        rememberBeat(recent, b);
    ASSERT_EQ(recent.count, 20u);
    EXPECT_EQ(recent.beats.front(), 105);
    EXPECT_EQ(recent.beats.back(), 124);
    EXPECT_FALSE(isRecent(recent, 104));
    EXPECT_TRUE(isRecent(recent, 105));
}

// The draw must be the standard distribution's draw: same weights, same
// generator, same choice and the same numbers consumed.
TEST(BeatWalk, AJumpIsDrawnAsTheStandardDiscreteDistributionDrawsIt)
{
    std::mt19937 weightsSource(5);
    for (int trial = 0; trial < 300; ++trial) {
        Analysis a = beatsAt({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
        const int32_t cur = 6;
        const int count = 2 + trial % 7;
        std::vector<double> weights;
        std::vector<int32_t> targets;
        a.connections.push_back({2, 9, 1.0f, 0, 0});  // another beat's: never a candidate
        for (int k = 0; k < count; ++k) {
            const int32_t to = static_cast<int32_t>(weightsSource() % 12);
            const float score = static_cast<float>(weightsSource() % 1000 + 1) / 1000.0f;
            a.connections.push_back({cur, to, score, 0, 0});
            targets.push_back(to);
            weights.push_back(std::pow(static_cast<double>(score), 5.0) * (to < cur ? 1.15 : 1.0));
        }
        a.connections.push_back({7, 1, 1.0f, 0, 0});

        std::mt19937 ours(static_cast<uint32_t>(trial));
        std::mt19937 reference(static_cast<uint32_t>(trial));
        const int32_t chosen = choose(a, cur, ours, RecentBeats{}, 1.0);
        (void)std::generate_canonical<double, 53>(reference);  // the jump-or-not draw
        std::discrete_distribution<int> distribution(weights.begin(), weights.end());
        const int32_t expected = targets[static_cast<size_t>(distribution(reference))];
        ASSERT_EQ(chosen, expected) << trial;
        ASSERT_TRUE(ours == reference) << trial;
    }
}

TEST(BeatWalk, PlaysOnWithoutAJumpOrACandidateAndDrawsNothingForASingleCandidate)
{
    Analysis a = beatsAt({0, 1, 2, 3, 4, 5});
    a.connections = {{3, 1, 0.9f, 0, 0}, {3, 4, 0.8f, 0, 0}, {4, 0, 0.7f, 0, 0}};

    // Beat 2 has no connections; beat 3's targets are both recent but one.
    std::mt19937 g(214);
    EXPECT_EQ(choose(a, 2, g, RecentBeats{}, 1.0), 3);
    RecentBeats recent;
    rememberBeat(recent, 1);
    rememberBeat(recent, 4);
    EXPECT_EQ(choose(a, 3, g, recent, 1.0), 4);
    rememberBeat(recent, 0);
    EXPECT_EQ(choose(a, 4, g, recent, 1.0), 5);

    // A single candidate is taken without a second number.
    std::mt19937 ours(9), reference(9);
    EXPECT_EQ(choose(a, 3, ours, recent, 1.0), 4);
    (void)std::generate_canonical<double, 53>(reference);
    EXPECT_TRUE(ours == reference);

    // With jump probability 0 no connection is ever followed.
    for (int k = 0; k < 50; ++k)
        EXPECT_EQ(choose(a, 4, g, RecentBeats{}, 0.0), 5);
}

TEST(BeatWalk, AboutOneBeatInFourConsidersAJump)
{
    Analysis a = beatsAt({0, 1, 2, 3});
    a.connections = {{1, 0, 1.0f, 0, 0}};
    std::mt19937 g(kWalkSeed);
    int jumps = 0;
    for (int k = 0; k < 4000; ++k)
        jumps += choose(a, 1, g, RecentBeats{}, kJumpProbability) == 0;
    EXPECT_GT(jumps, 850);
    EXPECT_LT(jumps, 1150);
}

TEST(BeatWalk, ConnectionsWithoutWeightAreNoReasonToLeaveTheBeat)
{
    // Scores of zero are valid analysis data; two of them give nothing to weigh by.
    Analysis a = beatsAt({0, 1, 2, 3});
    a.connections = {{2, 0, 0.0f, 0, 0}, {2, 1, 0.0f, 0, 0}};
    std::mt19937 g(1);
    for (int k = 0; k < 20; ++k)
        EXPECT_EQ(choose(a, 2, g, RecentBeats{}, 1.0), 3);
}

TEST(BeatWalk, TheIndexKeepsListOrderAndIgnoresConnectionsFromNoBeat)
{
    Analysis a = beatsAt({0, 1, 2});
    a.connections = {{2, 0, 1, 0, 0}, {0, 1, 1, 0, 0}, {5, 1, 1, 0, 0}, {2, 1, 1, 0, 0}, {-1, 0, 1, 0, 0}};
    const ConnectionIndex index = indexConnections(a);
    EXPECT_EQ(index.first, (std::vector<uint32_t>{0, 1, 1, 3}));
    EXPECT_EQ(index.order, (std::vector<uint32_t>{1, 0, 3}));
}

} // namespace
