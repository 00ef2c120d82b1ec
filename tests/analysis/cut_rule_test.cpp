#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>

#include "analysis/cut_rule.h"
#include "support/message_of.h"

namespace {

using testsupport::messageOf;

constexpr uint64_t kTenSeconds = 480000;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

} // namespace

TEST(CutRule, CutRecordCarriesOnlyTheCuts)
{
    const Loop cut = cutRecord(1.5, 4.25, 9.0);
    EXPECT_EQ(cut.start, 1.5);
    EXPECT_EQ(cut.end, 4.25);
    EXPECT_EQ(cut.outro, 9.0);
    EXPECT_EQ(cut.startBeat, -1);
    EXPECT_EQ(cut.endBeat, -1);
    EXPECT_EQ(cut.outroBeat, -1);
    EXPECT_EQ(cut.score + cut.harmony + cut.timbre + cut.rhythm + cut.loudnessGap, 0.0);
    EXPECT_EQ(cut.bars, 0);
}

TEST(CutRule, AcceptsAndRejectsAtTheBoundaries)
{
    struct Case {
        const char* what;
        double start, end, outro, fade;
        bool accepted;
    };
    const Case cases[] = {
        {"fade of 5 ms", 1, 2, 3, 0.005, true},
        {"fade of 250 ms", 1, 2, 3, 0.25, true},
        {"fade a little under 5 ms", 1, 2, 3, 0.0049999, false},
        {"fade a little over 250 ms", 1, 2, 3, 0.2500001, false},
        {"start equal to the fade", 0.1, 2, 3, 0.1, false},
        {"start just after the fade", 0.1000001, 2, 3, 0.1, true},
        {"end equal to start + fade", 1, 1 + 0.1, 3, 0.1, false},
        {"end just after start + fade", 1, 1.1000001, 3, 0.1, true},
        {"outro equal to end", 1, 2, 2, 0.1, true},
        {"outro before end", 1, 2, 1.9999, 0.1, false},
        {"outro at duration - 2 fades", 1, 2, 10 - 2 * 0.1, 0.1, false},
        {"outro just before duration - 2 fades", 1, 2, 9.7999, 0.1, true},
        {"NaN start", kNaN, 2, 3, 0.1, false},
        {"NaN end", 1, kNaN, 3, 0.1, false},
        {"NaN outro", 1, 2, kNaN, 0.1, false},
        {"NaN fade", 1, 2, 3, kNaN, false},
        {"infinite end", 1, kInf, kInf, 0.1, false},
        {"negative infinite start", -kInf, 2, 3, 0.1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.accepted)
            EXPECT_NO_THROW(validateCuts(kTenSeconds, c.start, c.end, c.outro, c.fade));
        else
            EXPECT_EQ(messageOf([&] { validateCuts(kTenSeconds, c.start, c.end, c.outro, c.fade); }), kInvalidCutsMessage);
    }
}

TEST(CutRule, ACutRecordHasNoBeatsAndNoScores)
{
    const Loop cuts = cutRecord(8.0, 40.5, 120.0);
    EXPECT_EQ(cuts.start, 8.0);
    EXPECT_EQ(cuts.end, 40.5);
    EXPECT_EQ(cuts.outro, 120.0);
    EXPECT_EQ(cuts.score, 0.0);
    EXPECT_EQ(cuts.startBeat, -1);
    EXPECT_EQ(cuts.endBeat, -1);
    EXPECT_EQ(cuts.outroBeat, -1);
    EXPECT_EQ(cuts.bars, 0);
}

TEST(CutRule, RepetitionsAreWholeCountsFromOneToAHundred)
{
    for (const auto& [typed, count] : {std::pair{1.0, 1}, {2.0, 2}, {100.0, 100}})
        EXPECT_EQ(checkedRepetitions(typed), count) << typed;
    for (const double typed : {0.0, -1.0, 101.0, 2.5, 1.0000001, 99.999, kNaN, kInf, -kInf, 4294967297.0})
        EXPECT_EQ(messageOf([&] { checkedRepetitions(typed); }), "Elige de 1 a 100 repeticiones completas.") << typed;
}
