#include "playback/frame_source.h"

#include <gtest/gtest.h>

#include <limits>

#include <cmath>
#include <set>

#include "playback/playback_fixture.h"

namespace {

constexpr double kRate = 48000.0;

struct Played {
    std::vector<SourceFrame> frames;
    bool ended = false;
};

Played play(PlaybackCursor& cursor, int64_t most)
{
    Played p;
    SourceFrame f;
    for (int64_t k = 0; k < most; ++k) {
        if (!nextFrame(cursor, f)) {
            p.ended = true;
            break;
        }
        p.frames.push_back(f);
    }
    return p;
}

bool sameFrame(const SourceFrame& a, const SourceFrame& b)
{
    return a.left == b.left && a.right == b.right && a.songFrame == b.songFrame;
}

TEST(FrameSource, OriginalPlaysTheSongFromItsStartFrameAtTheEngineGain)
{
    const std::vector<float> pcm = playbackSong(9000);  // peak near 1.25: gain below 1
    const float gain = 0.98f / [&] {
        float p = 0;
        for (float s : pcm)
            p = std::max(p, std::fabs(s));
        return p;
    }();
    ASSERT_LT(gain, 1.0f);
    struct Case {
        double start;
        int64_t first;
    } cases[] = {{0.0, 0}, {-5.0, 0}, {100.5 / kRate, 100}, {8999.5 / kRate, 8999}, {1.0, 8999}, {1e300, 8999}};
    for (const Case& c : cases) {
        PlaybackCursor cursor = startCursor(PlaybackMode::Original, Loop{}, 0.0, c.start, pcm, Analysis{});
        const Played p = play(cursor, 10000);
        ASSERT_TRUE(p.ended) << c.start;
        ASSERT_EQ(p.frames.size(), static_cast<size_t>(9000 - c.first)) << c.start;
        for (size_t k = 0; k < p.frames.size(); ++k) {
            const size_t n = static_cast<size_t>(c.first) + k;
            ASSERT_EQ(p.frames[k].songFrame, n);
            ASSERT_EQ(p.frames[k].left, pcm[2 * n] * gain);
            ASSERT_EQ(p.frames[k].right, pcm[2 * n + 1] * gain);
        }
    }
}

TEST(FrameSource, EngineGainOnlyEverTurnsTheLevelDown)
{
    EXPECT_EQ(engineGain({0.5f, -0.25f}), 1.0f);
    EXPECT_EQ(engineGain({0.5f, -1.96f}), 0.5f);
    EXPECT_EQ(engineGain({0.0f, 0.0f}), 1.0f);
}

// A start of playback takes the song's level as it was measured when the
// song loaded; it must not read the whole song again (a 20-minute song is
// 0.5 GB) before the first sound, nor while a stop waits for it.
TEST(FrameSource, AStartUsesTheMeasuredPeakInsteadOfReadingTheSong)
{
    const std::vector<float> pcm = {0.25f, -0.5f, 0.5f, 0.25f, 0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(songPeak(pcm), 0.5f);
    EXPECT_EQ(songPeak({0.1f, std::nanf(""), 0.2f, 0.3f}), std::numeric_limits<float>::infinity());
    // Told the song peaks at 1.96, the cursor plays at 0.5 although these
    // samples alone would keep unity gain.
    for (const PlaybackMode mode : {PlaybackMode::Original, PlaybackMode::Explore}) {
        PlaybackCursor cursor = startCursor(mode, Loop{}, 0.0, 0.0, pcm, Analysis{}, 1.96f);
        SourceFrame frame;
        ASSERT_TRUE(nextFrame(cursor, frame));
        EXPECT_EQ(frame.left, 0.125f);
        EXPECT_EQ(frame.right, -0.25f);
    }
}

TEST(FrameSource, LoopStartsAtAWrapsAtBAndCarriesTheTailCrossfade)
{
    const std::vector<float> pcm = playbackSong(48000);
    const Loop cuts = cutRecord(0.1, 0.3, 0.4);  // A 4800, B 14400
    const double fade = 0.02;
    const float gain = peakGain(pcm);
    const int64_t a = 4800, b = 14400, length = b - a;
    const std::vector<ExpectedFrame> loop = expectedLoopFrames(pcm, cuts, fade, 0, length);

    struct Case {
        double start;
        int64_t first;  // song frame of the first frame played
    } cases[] = {{0.0, a}, {0.05, a}, {b / kRate, a}, {0.9, a}, {9600.5 / kRate, 9600}, {(b - 0.5) / kRate, b - 1}};
    for (const Case& c : cases) {
        PlaybackCursor cursor = startCursor(PlaybackMode::Loop, cuts, fade, c.start, pcm, Analysis{});
        const Played p = play(cursor, 3 * length);
        ASSERT_FALSE(p.ended);
        for (int64_t k = 0; k < 3 * length; ++k) {
            const int64_t n = a + (c.first - a + k) % length;
            const ExpectedFrame& e = loop[static_cast<size_t>(n - a)];
            ASSERT_EQ(p.frames[static_cast<size_t>(k)].songFrame, static_cast<uint64_t>(n)) << c.start << " " << k;
            ASSERT_EQ(p.frames[static_cast<size_t>(k)].left, e.left * gain);
            ASSERT_EQ(p.frames[static_cast<size_t>(k)].right, e.right * gain);
        }
    }
    // The frame before each wrap is the tail's last frame: the song frame just before A.
    PlaybackCursor cursor = startCursor(PlaybackMode::Loop, cuts, fade, 0.0, pcm, Analysis{});
    const Played p = play(cursor, length);
    EXPECT_EQ(p.frames.back().left, pcm[2 * (a - 1)] * gain);
}

TEST(FrameSource, JoinTestPlaysTheSixExcerptsOnceAndEnds)
{
    const std::vector<float> pcm = playbackSong(60000);
    const Loop cuts = cutRecord(0.25, 0.5, 0.8);  // A 12000, B 24000, O 38400: L = 12000
    const double fade = 0.01;
    const float gain = peakGain(pcm);
    PlaybackCursor cursor = startCursor(PlaybackMode::JoinTest, cuts, fade, 0.25, pcm, Analysis{});
    const Played p = play(cursor, 100000);
    ASSERT_TRUE(p.ended);
    const std::vector<ExpectedFrame> expected = expectedJoinFrames(pcm, cuts, fade);
    ASSERT_EQ(p.frames.size(), 6u * 12000u);
    ASSERT_EQ(expected.size(), 6u * 12000u);
    for (size_t k = 0; k < expected.size(); ++k) {
        ASSERT_EQ(p.frames[k].left, expected[k].left * gain) << k;
        ASSERT_EQ(p.frames[k].right, expected[k].right * gain) << k;
        ASSERT_EQ(p.frames[k].songFrame, static_cast<uint64_t>(expected[k].songFrame)) << k;
    }
}

// A tiny song whose frames are a ramp, left n / 4096 and right -n / 8192 at
// frame n (exact floats, peak 0.51: unity gain). Mixing two frames of a ramp
// with weight W gives the ramp at the weighted frame number, so every
// expected frame below is worked out by hand as a frame number of the ramp.
// A 400, B 1400, O 1500 of 2100 frames, a fade of 241 frames: the loop's
// tail is its frames 759 to 999, fading from S(1159 + w) into S(159 + w);
// the weight 0.5 - 0.5 cos(pi w / 240) is 0.25, 0.5, 0.75 and 1 at w = 80,
// 120, 160 and 240. The outro's head fades from S(400 + i) into S(1500 + i).
std::vector<float> rampSong()
{
    std::vector<float> pcm;
    for (int n = 0; n < 2100; ++n) {
        pcm.push_back(static_cast<float>(n) / 4096.0f);
        pcm.push_back(static_cast<float>(-n) / 8192.0f);
    }
    return pcm;
}

struct HandFrame {
    size_t output;      // index in the played stream
    double ramp;        // the ramp's frame number the output must equal
    uint64_t position;  // the song frame it reports
};

void expectRampFrames(const Played& p, const std::vector<HandFrame>& table)
{
    for (const HandFrame& h : table) {
        SCOPED_TRACE(h.output);
        ASSERT_LT(h.output, p.frames.size());
        EXPECT_EQ(p.frames[h.output].left, static_cast<float>(h.ramp / 4096.0));
        EXPECT_EQ(p.frames[h.output].right, static_cast<float>(-h.ramp / 8192.0));
        EXPECT_EQ(p.frames[h.output].songFrame, h.position);
    }
}

constexpr double kRampFade = 241.0 / 48000.0;
const Loop kRampCuts = cutRecord(400.0 / 48000.0, 1400.0 / 48000.0, 1500.0 / 48000.0);

TEST(FrameSource, LoopOfATinySongMatchesFramesWorkedOutByHand)
{
    const std::vector<float> pcm = rampSong();
    PlaybackCursor cursor = startCursor(PlaybackMode::Loop, kRampCuts, kRampFade, 0.0, pcm, Analysis{});
    const Played p = play(cursor, 2000);
    ASSERT_FALSE(p.ended);
    expectRampFrames(p, {
                            {0, 400, 400},      // starts at A
                            {758, 1158, 1158},  // the last frame before the tail
                            {759, 1159, 1159},  // w = 0: still the loop's own frame
                            {839, 989, 1239},   // w = 80: 1239 - 0.25 x 1000
                            {879, 779, 1279},   // w = 120: halfway between S(1279) and S(279)
                            {919, 569, 1319},   // w = 160: 1319 - 0.75 x 1000
                            {999, 399, 1399},   // w = 240: exactly the frame before A
                            {1000, 400, 400},   // and on at A
                            {1879, 779, 1279},  // the second pass is the first again
                        });
}

TEST(FrameSource, JoinTestOfATinySongMatchesFramesWorkedOutByHand)
{
    const std::vector<float> pcm = rampSong();
    PlaybackCursor cursor = startCursor(PlaybackMode::JoinTest, kRampCuts, kRampFade, 0.0, pcm, Analysis{});
    const Played p = play(cursor, 5000);
    ASSERT_TRUE(p.ended);
    // L = min(A 400, 3 s, loop 1000, outro 600) = 400 frames per excerpt.
    ASSERT_EQ(p.frames.size(), 2400u);
    expectRampFrames(p, {
                            {0, 0, 0},          // 1: the 400 frames before A
                            {399, 399, 399},
                            {400, 400, 400},    // 2: the loop's first 400
                            {799, 799, 799},
                            {800, 1000, 1000},  // 3: the loop's last 400, frame 600 on
                            {959, 1159, 1159},  // its tail starts, w = 0
                            {1039, 989, 1239},  // w = 80
                            {1079, 779, 1279},  // w = 120
                            {1199, 399, 1399},  // w = 240: the frame before A
                            {1200, 400, 400},   // 4: the loop's first 400 again
                            {1600, 1000, 1000}, // 5: its last 400 again
                            {1999, 399, 1399},
                            {2000, 400, 1500},  // 6: the outro starts as S(A)...
                            {2080, 755, 1580},  // ...a quarter of S(1580) into S(480) at i = 80
                            {2120, 1070, 1620}, // ...halfway from S(520) to S(1620) at i = 120
                            {2240, 1740, 1740}, // ...and is the outro itself from i = 240
                            {2399, 1899, 1899},
                        });
}

TEST(FrameSource, LoopAndJoinTestRefuseWhatTheRenderRefuses)
{
    const std::vector<float> pcm = playbackSong(48000);
    EXPECT_THROW(startCursor(PlaybackMode::Loop, cutRecord(0.1, 0.3, 0.4), 0.003, 0.0, pcm, Analysis{}),
                 std::runtime_error);
    std::vector<float> broken = pcm;
    broken[77] = NAN;
    EXPECT_THROW(startCursor(PlaybackMode::JoinTest, cutRecord(0.1, 0.3, 0.4), 0.02, 0.0, broken, Analysis{}),
                 std::runtime_error);
}

// The walk seen from outside: every break in the song frames must be a
// beat's end moving to a beat's start, along a connection (or on to the next
// beat, or from the last beat back to the first), never to a beat visited
// among the last twenty.
struct Walk {
    std::vector<int32_t> beats;  // beats entered, in order
    int jumps = 0;               // along a connection
    int wraps = 0;               // last beat to the first
};

Walk followWalk(const Analysis& analysis, int64_t songFrames, const Played& p)
{
    auto start = [&](size_t b) { return std::llround(analysis.beats[b].time * kRate); };
    auto end = [&](size_t b) {
        return std::min<int64_t>(songFrames, std::llround((analysis.beats[b].time + analysis.beats[b].duration) * kRate));
    };
    auto beatOf = [&](int64_t frame) {
        for (size_t b = analysis.beats.size(); b-- > 0;)
            if (start(b) <= frame)
                return static_cast<int32_t>(b);
        return int32_t{0};
    };
    Walk w;
    int32_t cur = beatOf(static_cast<int64_t>(p.frames[0].songFrame));
    for (size_t k = 1; k < p.frames.size(); ++k) {
        const int64_t prev = static_cast<int64_t>(p.frames[k - 1].songFrame);
        const int64_t now = static_cast<int64_t>(p.frames[k].songFrame);
        if (now == prev + 1 && now != end(static_cast<size_t>(cur)))
            continue;
        EXPECT_EQ(prev + 1, end(static_cast<size_t>(cur))) << "left beat " << cur << " before its end, frame " << k;
        const int32_t to = beatOf(now);
        EXPECT_EQ(now, start(static_cast<size_t>(to))) << "landed inside beat " << to;
        if (to == cur + 1) {
        } else if (to == 0 && static_cast<size_t>(cur) + 1 == analysis.beats.size()) {
            ++w.wraps;
        } else {
            bool connected = false;
            for (const Connection& c : analysis.connections)
                connected = connected || (c.from == cur && c.to == to);
            EXPECT_TRUE(connected) << cur << " -> " << to;
            const size_t recentFrom = w.beats.size() > kRecentBeatCount ? w.beats.size() - kRecentBeatCount : 0;
            for (size_t i = recentFrom; i < w.beats.size(); ++i)
                EXPECT_NE(w.beats[i], to) << "jumped back to recent beat " << to << " at step " << w.beats.size();
            ++w.jumps;
        }
        w.beats.push_back(to);
        cur = to;
    }
    return w;
}

TEST(FrameSource, ExploreWalksAlongConnectionsAvoidingRecentBeatsAndWrapsAfterTheLastBeat)
{
    const int64_t frames = 48000;
    const std::vector<float> pcm = playbackSong(frames);
    // Short beats so that many decisions fit in a short run; the first beat
    // starts late enough for jumps to it to have a lead-in.
    const Analysis analysis = beatGrid(frames, 1000, 1200);
    PlaybackCursor cursor = startCursor(PlaybackMode::Explore, Loop{}, 0.0, 0.5, pcm, analysis);
    const Played p = play(cursor, 60 * frames);
    ASSERT_FALSE(p.ended);
    ASSERT_EQ(p.frames[0].songFrame, 24000u);
    const Walk w = followWalk(analysis, frames, p);
    EXPECT_GT(w.jumps, 100);
    EXPECT_GT(w.wraps, 0);
}

TEST(FrameSource, ExploreNeverTakesAConnectionToOneOfTheLastTwentyBeats)
{
    // Every beat connects to the beat 19 back and the beat 20 back. Walking
    // on, the beat 19 back is always among the last twenty entered and the
    // one 20 back just left them: only the second may ever be taken.
    const int64_t frames = 96000;
    const std::vector<float> pcm = playbackSong(frames);
    Analysis analysis = beatGrid(frames, 600, 600, 0);
    for (int32_t b = 20; b < static_cast<int32_t>(analysis.beats.size()); ++b) {
        analysis.connections.push_back({b, b - 19, 1.0f, 0.0f, 0.0f});
        analysis.connections.push_back({b, b - 20, 1.0f, 0.0f, 0.0f});
    }
    PlaybackCursor cursor = startCursor(PlaybackMode::Explore, Loop{}, 0.0, 0.0, pcm, analysis);
    const Played p = play(cursor, 20 * frames);
    const Walk w = followWalk(analysis, frames, p);
    EXPECT_GT(w.jumps, 50);
}

TEST(FrameSource, ExploreWithoutConnectionsPlaysTheSongBeatAfterBeat)
{
    const int64_t frames = 30000;
    const std::vector<float> pcm = playbackSong(frames);
    const Analysis analysis = beatGrid(frames, 2000, 3000, 0);
    const float gain = engineGain(pcm);
    PlaybackCursor cursor = startCursor(PlaybackMode::Explore, Loop{}, 0.0, 0.0, pcm, analysis);
    const Played p = play(cursor, 2 * frames);
    // From frame 0 to the song's end, then on at the first beat; only the
    // song's last 288 frames fade into the lead-in of the first beat.
    for (int64_t k = 0; k < 2 * frames - 2000 - 288; ++k) {
        if (k >= frames - 288 && k < frames)
            continue;
        const int64_t n = k < frames ? k : 2000 + (k - frames);
        ASSERT_EQ(p.frames[static_cast<size_t>(k)].songFrame, static_cast<uint64_t>(n)) << k;
        ASSERT_EQ(p.frames[static_cast<size_t>(k)].left, pcm[2 * static_cast<size_t>(n)] * gain) << k;
    }
}

TEST(FrameSource, ExploreFadesTheLastFramesOfABeatIntoTheLeadInOfItsTarget)
{
    // More beats than the recent list holds, or the walk soon runs out of targets.
    const int64_t frames = 96000;
    const std::vector<float> pcm = playbackSong(frames);
    const float gain = engineGain(pcm);
    const Analysis analysis = beatGrid(frames, 1000, 1500);
    PlaybackCursor cursor = startCursor(PlaybackMode::Explore, Loop{}, 0.0, 0.0, pcm, analysis);
    const Played p = play(cursor, 20 * frames);
    int checked = 0;
    for (size_t k = 288; k < p.frames.size(); ++k) {
        const int64_t prev = static_cast<int64_t>(p.frames[k - 1].songFrame);
        const int64_t now = static_cast<int64_t>(p.frames[k].songFrame);
        if (now == prev + 1 || now < 288 || prev + 1 == frames)
            continue;
        // A jump from the beat ending at e = prev + 1 to the beat starting at s = now.
        const int64_t e = prev + 1;
        for (int64_t j = 0; j < 288; ++j) {
            const SourceFrame& f = p.frames[k - 288 + static_cast<size_t>(j)];
            const int64_t n = e - 288 + j;
            const double d = 0.5 - 0.5 * std::cos(3.14159265358979323846 * static_cast<double>(j) / 287.0);
            const size_t here = 2 * static_cast<size_t>(n), there = 2 * static_cast<size_t>(now - 288 + j);
            const float left = static_cast<float>(static_cast<double>(pcm[here] * gain) * (1.0 - d) +
                                                  static_cast<double>(pcm[there] * gain) * d);
            ASSERT_EQ(f.songFrame, static_cast<uint64_t>(n));
            ASSERT_EQ(f.left, left) << "jump at output frame " << k << ", fade frame " << j;
        }
        // The target beat itself starts unfaded.
        ASSERT_EQ(p.frames[k].left, pcm[2 * static_cast<size_t>(now)] * gain);
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

TEST(FrameSource, TwoExplorationsFromTheSameBeatPlayTheSameFrames)
{
    const int64_t frames = 48000;
    const std::vector<float> pcm = playbackSong(frames);
    const Analysis analysis = beatGrid(frames, 1000, 1200);
    PlaybackCursor first = startCursor(PlaybackMode::Explore, Loop{}, 0.0, 0.5, pcm, analysis);
    PlaybackCursor second = startCursor(PlaybackMode::Explore, Loop{}, 0.0, 0.5, pcm, analysis);
    const Played a = play(first, 10 * frames);
    const Played b = play(second, 10 * frames);
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (size_t k = 0; k < a.frames.size(); ++k)
        ASSERT_TRUE(sameFrame(a.frames[k], b.frames[k])) << k;
}

// Durations are not checked against the beat times when an analysis is read
// from the cache; whatever they hold, the walk reads only song frames and
// never stalls or ends.
TEST(FrameSource, ExploreStaysInsideTheSongWhateverTheBeatDurations)
{
    const int64_t frames = 20000;
    const std::vector<float> pcm = playbackSong(frames);
    Analysis base = beatGrid(frames, 0, 1000);
    const double odd[] = {-1e300, -3.0, 0.0, 1e-9, 1e300, 1e10, -0.01};
    for (const double duration : odd) {
        Analysis analysis = base;
        for (size_t b = 0; b < analysis.beats.size(); b += 3)
            analysis.beats[b].duration = duration;
        analysis.beats.back().duration = duration;
        analysis.beats.back().time = (static_cast<double>(frames) - 0.1) / kRate;  // rounds to the frame after the last
        PlaybackCursor cursor = startCursor(PlaybackMode::Explore, Loop{}, 0.0, 0.0, pcm, analysis);
        const Played p = play(cursor, 5 * frames);
        EXPECT_FALSE(p.ended) << duration;
        for (const SourceFrame& f : p.frames)
            ASSERT_LT(f.songFrame, static_cast<uint64_t>(frames)) << duration;
    }
}

} // namespace
