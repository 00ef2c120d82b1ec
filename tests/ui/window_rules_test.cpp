// The window's pure rules: number formats, layout, enable rules, the magnet.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "app/beat_snap.h"
#include "ui/enable_rules.h"
#include "ui/layout.h"
#include "base/number_format.h"
#include "ui/playhead_follow.h"
#include "ui/segment_layout.h"

TEST(NumberFormat, FixedAndClockTexts)
{
    EXPECT_EQ(formatFixed(120, 1), u"120.0");
    EXPECT_EQ(formatFixed(0.873 * 100, 0), u"87");
    EXPECT_EQ(formatFixed(10, 6), u"10.000000");
    EXPECT_EQ(formatFixed(-2.5, 3), u"-2.500");
    EXPECT_EQ(formatFixed(1234567.0, 0), u"1234567");
    // Exact halves round away from zero; values just off a half round to nearest.
    const std::vector<std::tuple<double, int, std::u16string>> halves = {
        {16.25, 1, u"16.3"}, {0.125, 2, u"0.13"}, {-0.125, 2, u"-0.13"}, {2.5, 0, u"3"},
        {99.5, 0, u"100"},   {-99.5, 0, u"-100"}, {9.995, 2, u"9.99"}, {2.675, 2, u"2.67"},
        {0.375, 2, u"0.38"}, {1e20, 2, u"100000000000000000000.00"}, {12.5, 2, u"12.50"}};
    for (const auto& [x, decimals, text] : halves)
        EXPECT_EQ(formatFixed(x, decimals), text) << x;
    EXPECT_EQ(formatClock(65.25), u"01:05.250");
    EXPECT_EQ(formatClock(6000), u"100:00.000");
    EXPECT_EQ(formatClock(0), u"00:00.000");
    EXPECT_EQ(formatClock(59.9999), u"00:59.999");
}

TEST(Layout, ListHeightFollowsTheClientHeight)
{
    const std::vector<std::pair<int, int>> cases = {{700, 120}, {760, 175}, {900, 220}, {600, 120}, {1200, 220}};
    for (auto [height, list] : cases)
        EXPECT_EQ(listHeight(height), list) << height;
}

TEST(Layout, RightPanelAndBottomRowFollowTheListAndTheSize)
{
    const auto r = layoutSlots(1364, 861);  // L = 220
    auto at = [&r](Slot slot) { return r[static_cast<int>(slot)]; };
    EXPECT_EQ(at(Slot::Export).left, 1194);
    EXPECT_EQ(at(Slot::List).height, 220);
    EXPECT_EQ(at(Slot::FieldA).top, 460);
    EXPECT_EQ(at(Slot::Repetitions).top, 609);
    EXPECT_EQ(at(Slot::ShowExport).left, 1217);
    EXPECT_EQ(at(Slot::Map).width, 1040);
    EXPECT_EQ(at(Slot::Map).height, 450);
    EXPECT_EQ(at(Slot::Timeline).top, 616);
    EXPECT_EQ(at(Slot::Progress).top, 826);
    // A narrow window keeps the song name readable.
    EXPECT_EQ(layoutSlots(700, 700)[static_cast<int>(Slot::SongName)].width, 50);
}

TEST(Layout, PixelsRoundHalfAwayFromZero)
{
    EXPECT_EQ(toPixels(1380, 1.5), 2070);
    EXPECT_EQ(toPixels(13, 1.5), 20);  // 19.5
    EXPECT_EQ(toPixels(0.5, 1.0), 1);
    EXPECT_EQ(toLogical(1365, 1.5), 910);
}

TEST(Layout, FirstWindowRectFitsTheWorkArea)
{
    struct Case {
        PixelRect work;
        double scale;
        int width, height;
    };
    const std::vector<Case> cases = {{{0, 0, 1600, 1000}, 1.0, 1380, 900},
                                     {{0, 0, 4000, 3000}, 1.5, 2070, 1350},
                                     {{0, 0, 1600, 1000}, 1.5, 1576, 976},
                                     {{0, 0, 1280, 800}, 1.0, 1256, 776}};
    for (const Case& c : cases) {
        const PixelRect r = initialWindowRect(c.work, c.scale);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
    }
    const PixelRect shifted = initialWindowRect({100, 40, 1600, 1000}, 1.0);
    EXPECT_EQ(shifted.left, 112);
    EXPECT_EQ(shifted.top, 52);
}

TEST(EnableRules, EachStateEnablesItsControls)
{
    const std::vector<int> ids = {100, 101, 102, 103, 104, 105, 106, 107, 108, 110, 111, 112, 113, 114,
                                  115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125};
    auto enabled = [&ids](EnableInputs state) {
        std::vector<int> on;
        for (int id : ids)
            if (controlEnabled(id, state))
                on.push_back(id);
        return on;
    };
    EXPECT_EQ(enabled({false, false, false}), (std::vector<int>{100, 101, 110, 115, 116, 121, 122, 123}));
    EXPECT_EQ(enabled({true, true, true}), (std::vector<int>{110, 112, 116, 121, 122, 123}));
    EXPECT_EQ(enabled({false, true, false}),
              (std::vector<int>{100, 101, 102, 103, 104, 105, 106, 107, 108, 110, 111, 114, 115, 116, 117, 118, 119,
                                120, 121, 122, 123, 124, 125}));
    EXPECT_TRUE(controlEnabled(113, {false, false, true}));
}

TEST(BeatSnap, MagnetTakesTheNearestBeatAndTheEarlierOnATie)
{
    Analysis analysis;
    for (double t : {9.5, 10.0, 10.5, 11.0}) {
        Beat beat;
        beat.time = t;
        analysis.beats.push_back(beat);
    }
    EXPECT_EQ(snappedTime(analysis, 10.25, true), 10.0);
    EXPECT_EQ(snappedTime(analysis, 10.26, true), 10.5);
    EXPECT_EQ(snappedTime(analysis, 10.25, false), 10.25);
    EXPECT_EQ(snappedTime(analysis, 3.0, true), 9.5);
    EXPECT_EQ(snappedTime(Analysis{}, 3.0, true), 3.0);
}

TEST(PlayheadFollow, JumpsAreBeatsThatDoNotFollowTheLastOne)
{
    std::vector<Beat> beats(50);
    for (size_t i = 0; i < beats.size(); ++i)
        beats[i].time = 1.0 + 0.5 * static_cast<double>(i);
    BeatTrack track;
    EXPECT_FALSE(trackBeat(track, beats, 0.2));  // before the first beat: beat 0, no jump yet
    EXPECT_EQ(track.lastBeat, 0);
    track = BeatTrack{};
    EXPECT_FALSE(trackBeat(track, beats, beats[41].time + 0.1));  // the first beat seen after a start
    EXPECT_EQ(track.lastBeat, 41);
    EXPECT_TRUE(trackBeat(track, beats, beats[12].time + 0.01));
    EXPECT_EQ(track.jumpFrom, 41);
    EXPECT_EQ(track.jumpTo, 12);
    EXPECT_FALSE(trackBeat(track, beats, beats[13].time));
    EXPECT_FALSE(trackBeat(track, beats, beats[13].time + 0.2));  // same beat
    EXPECT_EQ(track.jumpFrom, 41);
    EXPECT_EQ(track.lastBeat, 13);
    EXPECT_FALSE(trackBeat(track, {}, 3.0));
}

TEST(PlayheadFollow, ZoomedWindowKeepsThePlayheadInSight)
{
    EXPECT_EQ(followPlayhead(10, 20, 15, 100), 10);   // inside
    EXPECT_EQ(followPlayhead(10, 20, 28, 100), 10);   // at 90 %
    EXPECT_EQ(followPlayhead(10, 20, 29.5, 100), 25.5);
    EXPECT_EQ(followPlayhead(10, 20, 5, 100), 1);     // before the window
    EXPECT_EQ(followPlayhead(10, 20, 99, 100), 80);   // limited to the song
    EXPECT_EQ(followPlayhead(0, 100, 99, 100), 0);    // not zoomed
    EXPECT_EQ(followPlayhead(3, 0, 50, 100), 3);
}

TEST(SegmentDigits, ClockTextAdvancesByDigitWidthPlusFourAndEightForMarks)
{
    const auto glyphs = segmentLayout(u"01:05.250", 18);
    ASSERT_EQ(glyphs.size(), 9u);
    EXPECT_EQ(glyphs[1].x, 22);  // the second digit
    EXPECT_EQ(glyphs[2].character, u':');
    EXPECT_EQ(glyphs[2].x, 44);  // its dots at x + 45
    EXPECT_EQ(glyphs[3].x, 52);  // the third digit
    EXPECT_EQ(segmentLayout(u"1 BPM2", 21).size(), 2u);  // others are skipped without advancing
    EXPECT_EQ(segmentLayout(u"1 BPM2", 21)[1].x, 25);
    EXPECT_EQ(segmentMask(u'8'), 0x7Fu);
    EXPECT_EQ(segmentMask(u'1'), 0x06u);
}
