// The painted views' pure rules: the timeline's mapping, zoom and marker
// pick, the ring's hit test and colours, and the prepared peaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ui/pixel_lines.h"
#include "ui/ring_geometry.h"
#include "ui/timeline_geometry.h"
#include "ui/waveform_peaks.h"

TEST(TimelineGeometry, ZoomStepsAroundTheCentreAndStopsAtItsLimits)
{
    TimelineView view{0, 200, 200, 1020};
    view = zoomedView(view, 2.0 / 3.0, 0.5);
    EXPECT_NEAR(view.visibleSpan, 133.333, 1e-3);
    EXPECT_NEAR(view.viewStart, 100 - 133.333 / 2, 1e-3);
    for (int i = 0; i < 40; ++i)
        view = zoomedView(view, 2.0 / 3.0, 0.5);
    EXPECT_DOUBLE_EQ(view.visibleSpan, 0.8);
    EXPECT_NEAR(view.viewStart + 0.4, 100, 1e-6);
    for (int i = 0; i < 40; ++i)
        view = zoomedView(view, 1.5, 0.5);
    EXPECT_DOUBLE_EQ(view.visibleSpan, 200);
    EXPECT_DOUBLE_EQ(view.viewStart, 0);
    // Zooming in near the end keeps the window inside the song.
    const TimelineView late = zoomedView(TimelineView{190, 10, 200, 1020}, 1.5, 0.5);
    EXPECT_DOUBLE_EQ(late.visibleSpan, 15);
    EXPECT_DOUBLE_EQ(late.viewStart, 185);
    // Without a song nothing moves.
    const TimelineView none = zoomedView(TimelineView{0, 0, 0, 1020}, 2.0 / 3.0, 0.5);
    EXPECT_EQ(none.visibleSpan, 0);
}

TEST(TimelineGeometry, PixelsAndTimesMapBothWaysAtAnyScale)
{
    const TimelineView view{30, 60, 200, 1020};  // plot: 1000 units for 60 s
    EXPECT_FLOAT_EQ(timelineX(view, 30), 10);
    EXPECT_FLOAT_EQ(timelineX(view, 60), 510);
    EXPECT_TRUE(insidePlot(view, 1010));
    EXPECT_FALSE(insidePlot(view, 9.9f));
    for (double scale : {1.0, 1.5}) {
        const int x = static_cast<int>(std::lround(510 * scale));
        EXPECT_NEAR(timeAtX(view, scale, x), 60, 0.06) << scale;
    }
    // Capture lets the mouse leave the view: the time stays in the song.
    EXPECT_EQ(timeAtX(view, 1.0, -2000), 0.0);
    EXPECT_NEAR(timeAtX(view, 1.0, 30000), 199.999, 1e-9);
    // Without a visible span the whole song is shown.
    const TimelineView whole{0, 0, 200, 1020};
    EXPECT_FLOAT_EQ(timelineX(whole, 100), 510);
    EXPECT_DOUBLE_EQ(grabTolerance(whole), 200 * 9 / 1000.0);
    // A song under a second is drawn over 1 s.
    EXPECT_FLOAT_EQ(timelineX(TimelineView{0, 0, 0.5, 1020}, 0.5), 510);
}

TEST(TimelineGeometry, TheLastMarkerWithinReachIsGrabbed)
{
    const std::array<double, 3> markers = {10.0, 10.5, 40.0};
    EXPECT_EQ(pickMarker(markers, 10.2, 0.9), 1);  // both A and B in reach: B
    EXPECT_EQ(pickMarker(markers, 9.5, 0.6), 0);
    EXPECT_EQ(pickMarker(markers, 40.8, 0.9), 2);
    EXPECT_EQ(pickMarker(markers, 25.0, 0.9), -1);
    EXPECT_EQ(pickMarker({0.0, 0.0, 0.0}, 0.1, 0.9), 2);  // unreadable fields all count as 0 s
}

TEST(RingGeometry, ClicksHitTheBeatWhoseSlotTheyFallIn)
{
    const double W = 800, H = 500;
    const Ring ring = ringOf(W, H);
    EXPECT_DOUBLE_EQ(ring.r, 215);  // min(0.43 H, 0.42 W)
    for (double scale : {1.0, 1.5}) {
        auto hit = [&](double angle, double radius) {
            const double x = (ring.cx + radius * std::cos(angle)) * scale, y = (ring.cy + radius * std::sin(angle)) * scale;
            return beatAtPoint(W, H, scale, static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)), 4);
        };
        const double pi = std::acos(-1.0);
        EXPECT_EQ(hit(0, ring.r), 1) << scale;             // 3 o'clock
        EXPECT_EQ(hit(pi / 2, ring.r), 2) << scale;        // bottom
        EXPECT_EQ(hit(-pi / 2 - 0.05, ring.r), 0) << scale;  // just left of the top
        EXPECT_EQ(hit(-pi / 2 + pi / 4 + 0.01, ring.r), 1) << scale;  // past the half-slot
        EXPECT_EQ(hit(0, ring.r + 23.5), 1) << scale;
        EXPECT_EQ(hit(0, ring.r - 25.5), -1) << scale;
        EXPECT_EQ(hit(0, ring.r + 25.5), -1) << scale;
    }
    EXPECT_EQ(beatAtPoint(W, H, 1.0, 400, 45, 0), -1);
    // A tiny view keeps a ring of 40.
    EXPECT_DOUBLE_EQ(ringOf(50, 50).r, 40);
}

TEST(RingGeometry, BeatsAreColouredByTheirStrongestPitchClass)
{
    Analysis analysis;
    const std::vector<std::pair<int, uint32_t>> cases = {
        {0, 0xFFE65050}, {1, 0xFFE69B50}, {2, 0xFFE6E650}, {6, 0xFF50E6E6}, {11, 0xFFE6509B}};
    for (auto [pitch, colour] : cases) {
        Beat beat;
        beat.chroma[pitch] = 1.0;
        analysis.beats.push_back(beat);
    }
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(beatColour(analysis, static_cast<int64_t>(i), 255), cases[i].second) << cases[i].first;
    Beat ties;  // all zero: the first entry wins
    analysis.beats.push_back(ties);
    EXPECT_EQ(beatColour(analysis, 5, 26), 0x1AE65050u);
    EXPECT_EQ(beatColour(analysis, 6, 255), 0xFF465C70u);
    EXPECT_EQ(beatColour(analysis, -1, 26), 0x1A465C70u);
    EXPECT_FLOAT_EQ(segmentHalfWidth(u"120.0"), 52);
    EXPECT_FLOAT_EQ(segmentHalfWidth(u"87.5"), 39.5);
}

TEST(WaveformPeaks, ColumnsReadTheLoudestSampleOfTheirFrames)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> quiet(-0.2f, 0.2f);
    const int64_t frames = 1'000'003;  // not a whole number of blocks
    std::vector<float> stereo(2 * frames);
    for (float& s : stereo)
        s = quiet(random);
    stereo[2 * 777'777] = -0.9f;      // a left click
    stereo[2 * 123'456 + 1] = 0.8f;   // a right one
    stereo[2 * (frames - 1)] = 0.7f;  // the very last frame
    stereo[2 * 500'000] = std::nanf("");  // a NaN is silence, never the peak
    const PeakPyramid peaks = buildPeaks(stereo);
    auto brute = [&](int64_t a, int64_t b) {
        StereoPeak p;
        for (int64_t f = std::max<int64_t>(a, 0); f < std::min(b, frames); ++f) {
            if (!std::isnan(stereo[2 * f]))
                p.left = std::max(p.left, std::abs(stereo[2 * f]));
            p.right = std::max(p.right, std::abs(stereo[2 * f + 1]));
        }
        return p;
    };
    const std::vector<std::pair<int64_t, int64_t>> columns = {
        {777'700, 777'790}, {777'000, 778'000}, {770'000, 790'000}, {0, frames}, {123'000, 124'100},
        {frames - 50, frames + 10}, {-100, 40}, {500, 500}, {700'000, 760'000}};
    for (auto [a, b] : columns) {
        const StereoPeak got = columnPeak(stereo, peaks, a, b);
        const StereoPeak exact = brute(a, b);
        const int64_t reach = (b - a) / 4;  // blocks may spill this far past the edges
        const StereoPeak widest = brute(a - reach, b + reach);
        EXPECT_GE(got.left, exact.left) << a << " " << b;
        EXPECT_GE(got.right, exact.right) << a << " " << b;
        EXPECT_LE(got.left, widest.left) << a << " " << b;
        EXPECT_LE(got.right, widest.right) << a << " " << b;
        if (b - a < 1024) {
            EXPECT_EQ(got.left, exact.left) << a << " " << b;
        }
    }
    EXPECT_FLOAT_EQ(columnPeak(stereo, peaks, 0, frames).left, 0.9f);
    EXPECT_TRUE(buildPeaks({}).levels.empty());
    EXPECT_EQ(columnPeak({}, PeakPyramid{}, 0, 100).left, 0.0f);
}

TEST(PixelLines, LinesAndRectanglesBlendInsideTheImageOnly)
{
    const uint32_t ground = 0xFF14181F;
    std::vector<uint32_t> pixels(20 * 8, ground);
    const PixelImage image{pixels.data(), 20, 8};
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * 20 + x)]; };
    blendVerticalLine(image, 1.0, 3, 1, 4, 1.0, 0x7E54CCC1);
    for (int y = 0; y < 8; ++y)
        EXPECT_EQ(at(3, y), y >= 1 && y < 4 ? 0xFF34716Fu : ground) << y;
    EXPECT_EQ(at(2, 2), ground);
    EXPECT_EQ(at(4, 2), ground);
    // A silent column still shows one pixel; at 1.5 a unit line is two pixels wide.
    blendVerticalLine(image, 1.0, 6, 5, 5, 1.0, 0xFFFFFFFF);
    EXPECT_EQ(at(6, 5), 0xFFFFFFFFu);
    EXPECT_EQ(at(6, 4), ground);
    blendVerticalLine(image, 1.5, 10, 0, 2, 1.0, 0xFF000001);
    EXPECT_EQ(at(14, 1), 0xFF000001u);
    EXPECT_EQ(at(15, 1), 0xFF000001u);
    EXPECT_EQ(at(13, 1), ground);
    EXPECT_EQ(at(16, 1), ground);
    // Off the image, huge or not a number: nothing is written.
    const std::vector<uint32_t> before = pixels;
    blendVerticalLine(image, 1.0, -5, 0, 8, 1.0, 0xFF00FF00);
    blendVerticalLine(image, 1.0, 1e300, -1e300, 1e300, 1.0, 0xFF00FF00);
    blendVerticalLine(image, 1.0, std::nan(""), 0, 8, 1.0, 0xFF00FF00);
    blendRect(image, 1.0, 30, 0, 5, 5, 0xFF00FF00);
    EXPECT_EQ(pixels, before);
    // A rectangle reaching past the edge is cut there.
    blendRect(image, 1.0, 17, 6, 10, 10, 0xFF00FF00);
    EXPECT_EQ(at(19, 7), 0xFF00FF00u);
    EXPECT_EQ(at(16, 7), ground);
    EXPECT_EQ(at(19, 5), ground);
}
