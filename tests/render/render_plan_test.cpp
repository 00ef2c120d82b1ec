#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "render/render_plan.h"
#include "render_fixture.h"

namespace {

constexpr uint64_t kTenSeconds = 480000;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

float left(const std::vector<float>& pcm, int64_t frame) { return pcm[static_cast<size_t>(2 * frame)]; }
float right(const std::vector<float>& pcm, int64_t frame) { return pcm[static_cast<size_t>(2 * frame + 1)]; }

void expectSongFrame(const RenderPlan& plan, SectionKind section, int64_t index, int64_t songFrame)
{
    const auto [l, r] = sectionFrame(plan, section, index);
    EXPECT_EQ(l, left(*plan.pcm, songFrame)) << "section " << int(section) << " frame " << index;
    EXPECT_EQ(r, right(*plan.pcm, songFrame)) << "section " << int(section) << " frame " << index;
}

} // namespace

TEST(PrepareRender, NonFiniteCutsGiveTheCutMessageEvenOverNonFiniteAudio)
{
    std::vector<float> pcm = distinctSong(kTenSeconds);
    pcm[5] = std::numeric_limits<float>::quiet_NaN();
    RenderPlan plan;
    for (const double bad : {kNaN, kInf}) {
        expectFailure([&] { prepareRender(plan, pcm, cutRecord(1, bad, 3), 0.1); }, kInvalidCutsMessage);
        expectFailure([&] { prepareRender(plan, pcm, cutRecord(1, 2, 3), bad); }, kInvalidCutsMessage);
    }
}

TEST(PrepareRender, GainBringsOnlyLoudSongsDownTo098)
{
    struct Case {
        float peak;
        float gain;
    };
    const Case cases[] = {{0.5f, 1.0f}, {0.98f, 1.0f}, {1.0f, 0.98f}, {1.96f, 0.5f}, {-1.96f, 0.5f}, {0.0f, 1.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peak);
        // The peak sits in the last frame, far past the outro cut: the whole song counts.
        std::vector<float> pcm(2 * kTenSeconds, 0.0f);
        pcm.back() = c.peak;
        RenderPlan plan;
        EXPECT_EQ(prepareRender(plan, pcm, cutRecord(1, 2, 3), 0.1), c.gain);
        EXPECT_EQ(plan.gain, c.gain);
        EXPECT_EQ(plan.pcm, &pcm);
    }
}

TEST(PrepareRender, OneNonFiniteSampleAnywhereFailsAndLeavesThePlanAlone)
{
    const std::vector<float> song = distinctSong(kTenSeconds);
    struct Case {
        size_t at;
        float value;
    };
    const Case cases[] = {{0, std::numeric_limits<float>::quiet_NaN()},
                          {song.size() - 1, std::numeric_limits<float>::quiet_NaN()},
                          {song.size() / 2 + 1, std::numeric_limits<float>::infinity()},
                          {7, -std::numeric_limits<float>::infinity()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        std::vector<float> pcm = song;
        pcm[c.at] = c.value;
        RenderPlan plan;
        expectFailure([&] { prepareRender(plan, pcm, cutRecord(1, 2, 3), 0.1); }, "Audio no finito.");
        EXPECT_EQ(plan.pcm, nullptr);
        EXPECT_EQ(plan.startSample, 0);
        EXPECT_EQ(plan.gain, 1.0f);
    }
}

TEST(PrepareRender, SecondsBecomeFramesRoundingHalvesAwayFromZero)
{
    // 562.5 and 240.5 frames are exact in binary, so they test the tie itself.
    struct Case {
        double startFrames, fadeFrames;
        int64_t start, fade;
    };
    const Case cases[] = {{480.5, 240, 481, 240}, {480.49, 240, 480, 240}, {562.5, 240, 563, 240},
                          {1000, 240.5, 1000, 241}, {1000, 240.49, 1000, 240}};
    const std::vector<float> pcm = distinctSong(kTenSeconds);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.startFrames);
        RenderPlan plan;
        prepareRender(plan, pcm, cutRecord(framesToSeconds(c.startFrames), 2, 3), framesToSeconds(c.fadeFrames));
        EXPECT_EQ(plan.startSample, c.start);
        EXPECT_EQ(plan.fadeSamples, c.fade);
        EXPECT_EQ(plan.endSample, 96000);
        EXPECT_EQ(plan.outroSample, 144000);
    }
}

TEST(FrameRule, JoinsLandExactlyOnTheSongFramesAroundTheLoopStart)
{
    struct Case {
        const char* what;
        double start, end, outro, fade;  // seconds
    };
    const Case cases[] = {
        {"5 ms fade", 1, 2, 3, 0.005},
        {"250 ms fade", 1, 2, 2, 0.25},
        {"fade reaching back to the first frame", framesToSeconds(12000.4), 2, 3, 0.25},
        // A = 563, B = 803, X = 241: the rounded loop is one frame shorter than the fade.
        {"loop one frame shorter than the fade", framesToSeconds(562.5), framesToSeconds(803.2), 3,
         framesToSeconds(240.6)},
    };
    const std::vector<float> pcm = distinctSong(kTenSeconds);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RenderPlan plan;
        prepareRender(plan, pcm, cutRecord(c.start, c.end, c.outro), c.fade);
        const int64_t a = plan.startSample, b = plan.endSample, o = plan.outroSample, x = plan.fadeSamples;
        expectSongFrame(plan, SectionKind::Start, 0, 0);
        expectSongFrame(plan, SectionKind::Start, a - 1, a - 1);
        expectSongFrame(plan, SectionKind::Loop, 0, a);              // start -> loop needs no fade
        expectSongFrame(plan, SectionKind::Loop, b - a - 1, a - 1);  // every pass ends on the frame before A
        expectSongFrame(plan, SectionKind::Outro, 0, a);             // the outro goes on where the loop would
        expectSongFrame(plan, SectionKind::Outro, x - 1, o + x - 1);
        expectSongFrame(plan, SectionKind::Outro, x, o + x);
        expectSongFrame(plan, SectionKind::Outro, songFrames(plan) - o - 1, songFrames(plan) - 1);
        if (b - a >= x)
            expectSongFrame(plan, SectionKind::Loop, b - a - x, b - x);
    }
}

TEST(FrameRule, FadesFollowTheRaisedCosineWithEqualGainWeights)
{
    const std::vector<float> pcm = distinctSong(kTenSeconds);
    RenderPlan plan;
    prepareRender(plan, pcm, cutRecord(1, 2, 3), 0.01);
    const int64_t a = plan.startSample, loop = plan.endSample - a, x = plan.fadeSamples;
    ASSERT_EQ(x, 480);
    const double pi = std::acos(-1.0);
    for (int64_t w = 0; w < x; ++w) {
        const double weight = 0.5 - 0.5 * std::cos(pi * double(w) / double(x - 1));
        const auto [tl, tr] = sectionFrame(plan, SectionKind::Loop, loop - x + w);
        EXPECT_NEAR(tl, left(pcm, a - x + w) * weight + left(pcm, a + loop - x + w) * (1 - weight), 1e-6) << w;
        EXPECT_NEAR(tr, right(pcm, a - x + w) * weight + right(pcm, a + loop - x + w) * (1 - weight), 1e-6) << w;
        const auto [hl, hr] = sectionFrame(plan, SectionKind::Outro, w);
        const int64_t o = plan.outroSample;
        EXPECT_NEAR(hl, left(pcm, a + w) * (1 - weight) + left(pcm, o + w) * weight, 1e-6) << w;
        EXPECT_NEAR(hr, right(pcm, a + w) * (1 - weight) + right(pcm, o + w) * weight, 1e-6) << w;
    }
    expectSongFrame(plan, SectionKind::Loop, loop - x - 1, a + loop - x - 1);  // just before the tail
}

TEST(FrameRule, BlocksMatchFrameByFrameAcrossFadeBoundaries)
{
    const std::vector<float> pcm = distinctSong(48000);
    RenderPlan plan;
    prepareRender(plan, pcm, cutRecord(0.2, 0.5, 0.6), 0.05);
    std::mt19937 random(7);
    for (const SectionKind section : {SectionKind::Start, SectionKind::Loop, SectionKind::Outro}) {
        const int64_t length = sectionLength(plan, section);
        for (int trial = 0; trial < 50; ++trial) {
            const int64_t first = std::uniform_int_distribution<int64_t>(0, length - 1)(random);
            const int64_t count = std::uniform_int_distribution<int64_t>(0, length - first)(random);
            std::vector<float> block(static_cast<size_t>(2 * count));
            const float* got = sectionFrames(plan, section, first, count, block.data());
            for (int64_t k = 0; k < count; ++k) {
                const auto [l, r] = sectionFrame(plan, section, first + k);
                ASSERT_EQ(got[2 * k], l) << int(section) << " " << first << "+" << k;
                ASSERT_EQ(got[2 * k + 1], r) << int(section) << " " << first << "+" << k;
            }
        }
    }
}

TEST(SegmentLists, MontageIsStartThenNLoopsThenOutro)
{
    const std::vector<float> pcm = distinctSong(kTenSeconds);
    RenderPlan plan;
    prepareRender(plan, pcm, cutRecord(1, 2.5, 4), 0.1);
    const std::vector<Segment> one = montageSegments(plan, 1);
    ASSERT_EQ(one.size(), 3u);
    EXPECT_EQ(one[0].section, SectionKind::Start);
    EXPECT_EQ(one[0].count, 48000);
    EXPECT_EQ(one[1].section, SectionKind::Loop);
    EXPECT_EQ(one[1].count, 72000);
    EXPECT_EQ(one[2].section, SectionKind::Outro);
    EXPECT_EQ(one[2].count, 480000 - 192000);
    for (const Segment& s : one)
        EXPECT_EQ(s.offset, 0);

    const std::vector<Segment> hundred = montageSegments(plan, 100);
    EXPECT_EQ(hundred.size(), 102u);
    EXPECT_EQ(totalFrames(hundred), 48000 + 100 * 72000 + (480000 - 192000));
    for (const unsigned refused : {0u, 101u})
        expectFailure([&] { montageSegments(plan, refused); }, "Repeticiones: entre 1 y 100.");
}

TEST(SegmentLists, JoinAuditionUsesTheShortestOfStartLoopOutroAndThreeSeconds)
{
    struct Case {
        const char* what;
        uint64_t frames;
        double start, end, outro;
        int64_t excerpt;
    };
    const Case cases[] = {
        {"intro of one second", 30 * 48000, 1, 10, 20, 48000},
        {"long song with long sections", 60 * 48000, 10, 25, 40, 144000},
        {"half-second loop", 30 * 48000, 5, 5.5, 20, 24000},
        {"two-second outro", 30 * 48000, 5, 15, 28, 96000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<float> pcm = distinctSong(static_cast<int64_t>(c.frames));
        RenderPlan plan;
        prepareRender(plan, pcm, cutRecord(c.start, c.end, c.outro), 0.1);
        const int64_t l = c.excerpt, loop = plan.endSample - plan.startSample;
        const std::vector<Segment> expected = {{SectionKind::Start, plan.startSample - l, l},
                                               {SectionKind::Loop, 0, l},
                                               {SectionKind::Loop, loop - l, l},
                                               {SectionKind::Loop, 0, l},
                                               {SectionKind::Loop, loop - l, l},
                                               {SectionKind::Outro, 0, l}};
        const std::vector<Segment> got = joinSegments(plan);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].section, expected[k].section) << k;
            EXPECT_EQ(got[k].offset, expected[k].offset) << k;
            EXPECT_EQ(got[k].count, expected[k].count) << k;
        }
    }
}
