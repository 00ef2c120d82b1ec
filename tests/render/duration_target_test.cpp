#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "render/duration_target.h"
#include "render_fixture.h"

namespace {

// A 24 000, B 81 600, O 105 600 of 144 000 frames: a montage of N loops
// lasts 62 400 + 57 600 N frames (2.5 s for one, 121.3 s for a hundred).
constexpr CutFrames kShortOutro{24000, 81600, 105600, 144000};
// A 10 s, B 30 s, O 30 s of 60 s: 1 920 000 + 960 000 N frames.
constexpr CutFrames kLongOutro{480000, 1440000, 1440000, 2880000};

} // namespace

TEST(DurationTarget, MontageLengthFromFieldSeconds)
{
    EXPECT_EQ(montageFrames(kShortOutro, 1), 120000);
    EXPECT_EQ(montageFrames(kShortOutro, 100), 5822400);
    const CutFrames fromFields = cutFramesOf(cutRecord(0.5, 1.7, 2.2), 144000);
    EXPECT_EQ(fromFields.start, 24000);
    EXPECT_EQ(fromFields.end, 81600);
    EXPECT_EQ(fromFields.outro, 105600);
    EXPECT_EQ(fromFields.song, 144000);
    // Halves away from zero, as the cuts themselves are converted.
    EXPECT_EQ(cutFramesOf(cutRecord(480.5 / 48000, 1.7, 2.2), 144000).start, 481);
}

TEST(DurationTarget, RepetitionsAndEndForATarget)
{
    const struct {
        const char* name;
        CutFrames cuts;
        double seconds;
        bool exact;
        TargetFit fit;  // repetitions, montage, difference, outro trim, fade-out
    } cases[] = {
        {"closest below", kShortOutro, 3.0, false, {1, 120000, -24000, 0, 0}},
        {"tie goes to the shorter", kShortOutro, 3.1, false, {1, 120000, -28800, 0, 0}},
        {"closest above", kShortOutro, 3.5, false, {2, 177600, 9600, 0, 0}},
        {"closest at the shortest", kShortOutro, 2.5, false, {1, 120000, 0, 0, 0}},
        {"closest at a hundred", kShortOutro, 121.3, false, {100, 5822400, 0, 0, 0}},
        {"exact cuts the outro", kShortOutro, 3.0, true, {2, 144000, 0, 33600, 4800}},
        {"exact on a whole montage", kShortOutro, 2.5, true, {1, 120000, 0, 0, 38400}},
        {"exact at a hundred", kShortOutro, 121.3, true, {100, 5822400, 0, 0, 38400}},
        {"closest 2:37", kLongOutro, 157.0, false, {6, 7680000, 144000, 0, 0}},
        {"exact 2:37 fades 3 s", kLongOutro, 157.0, true, {6, 7536000, 0, 144000, 144000}},
        {"exact to the frame", kLongOutro, 140.5 + 1.0 / 48000, true, {6, 6744001, 0, 935999, 144000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TargetFit fit = fitTarget(c.cuts, {c.seconds, c.exact});
        EXPECT_EQ(fit.repetitions, c.fit.repetitions);
        EXPECT_EQ(fit.montageFrames, c.fit.montageFrames);
        EXPECT_EQ(fit.differenceFrames, c.fit.differenceFrames);
        EXPECT_EQ(fit.outroTrim, c.fit.outroTrim);
        EXPECT_EQ(fit.fadeOutFrames, c.fit.fadeOutFrames);
        // The masters of an exact fit still add up to its montage.
        EXPECT_EQ(c.cuts.start + fit.repetitions * (c.cuts.end - c.cuts.start) + (c.cuts.song - c.cuts.outro) -
                      fit.outroTrim,
                  fit.montageFrames);
    }
}

TEST(DurationTarget, TargetsNoMontageCanMeet)
{
    const std::string tooShort =
        "Duracion objetivo demasiado corta: el montaje minimo (inicio + un loop + final) dura 2.500 s.";
    const std::string tooLong = "Duracion objetivo demasiado larga: con 100 repeticiones el montaje dura 121.300 s.";
    const struct {
        double seconds;
        bool exact;
        std::string message;
    } cases[] = {
        {2.49, false, tooShort},
        {2.49, true, tooShort},
        {0, false, tooShort},
        {NAN, true, tooShort},
        {121.31, false, tooLong},
        {121.31, true, tooLong},
        {1e300, false, tooLong},
        // Past one loop's montage but short of the second loop's end: only a
        // cut inside the loop could meet it exactly.
        {130000.0 / 48000, true, kTargetGapMessage},
    };
    for (const auto& c : cases)
        expectFailure([&] { fitTarget(kShortOutro, {c.seconds, c.exact}); }, c.message);
    // The same target is fine when closest is enough.
    EXPECT_EQ(fitTarget(kShortOutro, {130000.0 / 48000, false}).repetitions, 1);
}

// The outro's new end fades out along a falling raised cosine that reaches
// silence on the last frame; the frames before the fade are untouched.
TEST(DurationTarget, ExactEndFadesOutTheOutro)
{
    const std::vector<float> song = distinctSong(144000, 3);
    RenderPlan whole;
    prepareRender(whole, song, cutRecord(0.5, 1.7, 2.2), 0.06);
    RenderPlan cut = whole;
    const TargetFit fit = fitTarget(cutFramesOf(whole), {3.0, true});
    applyTarget(cut, fit);
    const int64_t length = sectionLength(cut, SectionKind::Outro);
    ASSERT_EQ(length, 4800);
    ASSERT_EQ(cut.fadeOutFrames, 4800);
    for (const int64_t i : {int64_t{0}, int64_t{1}, int64_t{1200}, int64_t{2399}, int64_t{2400}, int64_t{4798},
                            int64_t{4799}}) {
        const double weight = 0.5 + 0.5 * std::cos(3.14159265358979323846 * double(i) / 4799.0);
        const auto [l, r] = sectionFrame(whole, SectionKind::Outro, i);
        const auto [fl, fr] = sectionFrame(cut, SectionKind::Outro, i);
        EXPECT_EQ(fl, float(double(l) * weight)) << i;
        EXPECT_EQ(fr, float(double(r) * weight)) << i;
    }
    EXPECT_EQ(sectionFrame(cut, SectionKind::Outro, 0), sectionFrame(whole, SectionKind::Outro, 0));
    EXPECT_EQ(sectionFrame(cut, SectionKind::Outro, 4799), (std::pair<float, float>{0.0f, 0.0f}));

    // A long outro keeps its head and fades only its last 3 s.
    const std::vector<float> longSong = distinctSong(2880000, 5);
    RenderPlan longWhole;
    prepareRender(longWhole, longSong, cutRecord(10, 30, 30), 0.06);
    RenderPlan longCut = longWhole;
    applyTarget(longCut, fitTarget(cutFramesOf(longWhole), {157.0, true}));
    ASSERT_EQ(sectionLength(longCut, SectionKind::Outro), 1296000);
    const int64_t fadeStart = 1296000 - 144000;
    EXPECT_EQ(sectionFrame(longCut, SectionKind::Outro, fadeStart - 1),
              sectionFrame(longWhole, SectionKind::Outro, fadeStart - 1));
    EXPECT_EQ(sectionFrame(longCut, SectionKind::Outro, fadeStart),
              sectionFrame(longWhole, SectionKind::Outro, fadeStart));
    const auto [ml, mr] = sectionFrame(longWhole, SectionKind::Outro, fadeStart + 72000);
    const double mid = 0.5 + 0.5 * std::cos(3.14159265358979323846 * 72000.0 / 143999.0);
    EXPECT_EQ(sectionFrame(longCut, SectionKind::Outro, fadeStart + 72000),
              (std::pair<float, float>{float(double(ml) * mid), float(double(mr) * mid)}));
}
