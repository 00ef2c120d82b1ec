// The window's pure rules: number formats, layout, enable rules, the magnet.
#include <gtest/gtest.h>

#include <array>
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
    // Below 830 the list gives up room one for one, down to one entry at 654.
    const std::vector<std::pair<int, int>> cases = {{700, 90},  {705, 95},  {760, 150}, {900, 220}, {1200, 220},
                                                    {830, 220}, {829, 219}, {699, 89},  {665, 55},  {655, 45},
                                                    {654, 44},  {640, 44},  {638, 44},  {600, 44}};
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
    // The target row under the output folder's, its check box at the panel's right edge.
    EXPECT_EQ(at(Slot::Target).left, 1182);
    EXPECT_EQ(at(Slot::Target).top, 720);
    EXPECT_EQ(at(Slot::Exact).left + at(Slot::Exact).width, 1344);
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

TEST(Layout, SmallClientKeepsEveryControlAndShrinksTheViews)
{
    // 1342 x 704 on a 1366 x 768 screen with a taskbar, less the frame:
    // W = 1326, H = 665, the list 55 high.
    struct Want {
        Slot slot;
        double left, top, width, height;
    };
    const std::vector<Want> table = {
        {Slot::OpenAudio, 183, 12, 76, 27},      {Slot::OpenSession, 268, 12, 88, 27},
        {Slot::SaveSession, 364, 12, 92, 27},    {Slot::Help, 464, 12, 50, 27},
        {Slot::Export, 1156, 11, 152, 29},       {Slot::SongName, 530, 16, 601, 22},
        {Slot::Map, 16, 146, 1002, 254},         {Slot::Timeline, 16, 420, 1002, 171},
        {Slot::Play, 20, 62, 46, 42},            {Slot::Stop, 74, 68, 32, 32},
        {Slot::BeatBack, 113, 68, 32, 32},       {Slot::BeatForward, 151, 68, 32, 32},
        {Slot::ModeOriginal, 20, 110, 83, 25},   {Slot::ModeLoop, 108, 110, 68, 25},
        {Slot::ModeExplore, 181, 110, 87, 25},   {Slot::Magnet, 824, 110, 113, 25},
        {Slot::ZoomOut, 944, 110, 28, 25},       {Slot::ZoomIn, 978, 110, 28, 25},
        {Slot::List, 1042, 148, 264, 55},        {Slot::FieldA, 1160, 295, 143, 27},
        {Slot::FieldB, 1160, 333, 143, 27},      {Slot::FieldO, 1160, 371, 143, 27},
        {Slot::Crossfade, 1216, 409, 87, 25},    {Slot::Repetitions, 1216, 444, 87, 25},
        {Slot::JoinTest, 1042, 485, 264, 30},    {Slot::OutputFolder, 1042, 523, 129, 27},
        {Slot::ShowExport, 1179, 523, 127, 27},  {Slot::Target, 1144, 555, 80, 25},
        {Slot::Exact, 1230, 555, 76, 25},        {Slot::Cancel, 1042, 602, 264, 28},
        {Slot::OutputLabel, 18, 614, 1002, 14},  {Slot::StatusLabel, 18, 637, 1290, 21},
        {Slot::Progress, 18, 630, 1290, 3}};
    ASSERT_EQ(table.size(), static_cast<size_t>(kSlotCount));
    const auto r = layoutSlots(1326, 665);
    for (const Want& w : table) {
        const LogicalRect& got = r[static_cast<int>(w.slot)];
        EXPECT_EQ(got.left, w.left) << static_cast<int>(w.slot);
        EXPECT_EQ(got.top, w.top) << static_cast<int>(w.slot);
        EXPECT_EQ(got.width, w.width) << static_cast<int>(w.slot);
        EXPECT_EQ(got.height, w.height) << static_cast<int>(w.slot);
    }

    // 150 %: a client of 1874 x 960 pixels on a 1920 x 1080 screen is 1249 x 640
    // logical units, the list one entry (44) high; the pixels the controls get.
    const std::vector<std::pair<Slot, std::array<int, 4>>> pixels = {
        {Slot::Cancel, {1448, 866, 396, 42}},      {Slot::StatusLabel, {27, 918, 1820, 32}},
        {Slot::ShowExport, {1653, 768, 191, 41}},  {Slot::FieldA, {1625, 426, 215, 41}},
        {Slot::List, {1448, 222, 396, 66}},        {Slot::Timeline, {24, 593, 1388, 257}},
        {Slot::Map, {24, 219, 1388, 344}},         {Slot::Target, {1601, 816, 120, 38}},
        {Slot::Exact, {1730, 816, 114, 38}}};
    const auto big = layoutSlots(toLogical(1874, 1.5), toLogical(960, 1.5));
    for (const auto& [slot, want] : pixels) {
        const LogicalRect& got = big[static_cast<int>(slot)];
        const std::array<int, 4> px = {toPixels(got.left, 1.5), toPixels(got.top, 1.5), toPixels(got.width, 1.5),
                                       toPixels(got.height, 1.5)};
        EXPECT_EQ(px, want) << static_cast<int>(slot);
    }
}

TEST(Layout, NoTwoControlsOverlapAndAllStayInsideFromTheSmallestClientUp)
{
    auto overlap = [](const LogicalRect& a, const LogicalRect& b) {
        return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
               b.top < a.top + a.height;
    };
    for (int W : {kMinLogicalWidth, 1104, 1249, 1326, 1364, 1600})
        for (int H = kMinLogicalHeight; H <= 1000; H += 4) {
            const auto r = layoutSlots(W, H);
            for (int i = 0; i < kSlotCount; ++i) {
                const LogicalRect& a = r[static_cast<size_t>(i)];
                EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.width > 0 && a.height > 0 && a.left + a.width <= W &&
                            a.top + a.height <= H)
                    << "slot " << i << " at " << W << " x " << H;
                for (int j = i + 1; j < kSlotCount; ++j)
                    EXPECT_FALSE(overlap(a, r[static_cast<size_t>(j)])) << i << " and " << j << " at " << W << " x " << H;
            }
            // The right-hand panel's lowest button and the cancel button keep their gap.
            EXPECT_GE(r[static_cast<int>(Slot::Cancel)].top - 22,
                      r[static_cast<int>(Slot::ShowExport)].top + r[static_cast<int>(Slot::ShowExport)].height)
                << H;
            // The target row lies between the output folder's row and the
            // cancel button, apart from both.
            const LogicalRect& target = r[static_cast<int>(Slot::Target)];
            EXPECT_GE(target.top, r[static_cast<int>(Slot::ShowExport)].top + 27 + 5) << H;
            EXPECT_GE(r[static_cast<int>(Slot::Cancel)].top, target.top + target.height + 6) << H;
            EXPECT_EQ(r[static_cast<int>(Slot::Exact)].top, target.top) << H;
        }
}

TEST(Layout, WindowFitsTheWorkAreaAtAnyDpi)
{
    // Frames are the caption and borders in pixels: (16, 39) as at 100 %,
    // (22, 56) and (20, 48) as at 150 % and 125 %.
    struct Case {
        PixelRect work;
        int dpi;
        PixelSize frame;
        double scale;
        PixelRect first;
        PixelSize least;
    };
    const std::vector<Case> cases = {
        // The design fits: everything as at the system's scale.
        {{0, 0, 1600, 1000}, 96, {16, 39}, 1.0, {12, 12, 1380, 900}, {1120, 790}},
        // 1366 x 768 with a taskbar: the window is as high as the work area allows.
        {{0, 0, 1366, 728}, 96, {16, 39}, 1.0, {12, 12, 1342, 704}, {1120, 704}},
        {{60, 0, 1306, 768}, 96, {16, 39}, 1.0, {72, 12, 1282, 744}, {1120, 744}},
        // 1920 x 1080 at 150 % with a taskbar: 640 logical units high still hold the layout.
        {{0, 0, 1920, 1040}, 144, {22, 56}, 1.5, {12, 12, 1896, 1016}, {1680, 1016}},
        // 920 client pixels hold 638 units at 138 DPI (640.0) but not at 139 (635.4).
        {{0, 0, 1600, 1000}, 144, {22, 56}, 138 / 96.0, {12, 12, 1576, 976}, {1576, 976}},
        // 1280 x 800 at 125 %: 688 client pixels, 638 units at 103 DPI (641.2), not at 104 (635.1).
        {{0, 0, 1280, 760}, 120, {20, 48}, 103 / 96.0, {12, 12, 1256, 736}, {1202, 736}},
        // Too narrow at 96 DPI: 760 pixels hold 1000 units at 72 DPI (1013.3), not at 73 (999.5).
        {{0, 0, 800, 560}, 96, {16, 39}, 0.75, {12, 12, 776, 536}, {776, 536}},
        // Nothing fits: half the scale, and still inside the work area.
        {{0, 0, 400, 300}, 96, {16, 39}, 0.5, {12, 12, 376, 276}, {376, 276}}};
    for (const Case& c : cases) {
        const double scale = fittingScale(c.work, c.dpi, c.frame);
        EXPECT_EQ(scale, c.scale) << c.work.width << " x " << c.work.height << " at " << c.dpi;
        const PixelRect first = initialWindowRect(c.work, scale);
        EXPECT_EQ(std::make_tuple(first.left, first.top, first.width, first.height),
                  std::make_tuple(c.first.left, c.first.top, c.first.width, c.first.height))
            << c.work.width << " x " << c.work.height << " at " << c.dpi;
        const PixelSize least = minimumWindowSize(c.work, scale, c.frame);
        EXPECT_EQ(std::make_pair(least.width, least.height), std::make_pair(c.least.width, c.least.height))
            << c.work.width << " x " << c.work.height << " at " << c.dpi;
    }
}

TEST(EnableRules, EachStateEnablesItsControls)
{
    const std::vector<int> ids = {100, 101, 102, 103, 104, 105, 106, 107, 108, 110, 111, 112, 113, 114,
                                  115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127};
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
                                120, 121, 122, 123, 124, 125, 126, 127}));
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
