// Songs, analyses and expected output shared by the playback tests, on both
// targets (the Windows tests compare what the real device played with these).
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/analysis_model.h"
#include "playback/frame_source.h"

// Every sample differs from its neighbours and none is silent, not even
// after conversion to 16 bits, so silence a device adds can be told apart
// from the song and a frame from the wrong place shows.
inline std::vector<float> playbackSong(int64_t frames, uint32_t seed = 1, float peak = 1.25f)
{
    std::vector<float> pcm(static_cast<size_t>(2 * frames));
    uint32_t state = seed * 2654435761u + 7;
    for (float& sample : pcm) {
        state = state * 1664525u + 1013904223u;
        const float magnitude = 0.05f + (peak - 0.05f) * static_cast<float>(state >> 8) / 16777216.0f;
        sample = (state & 1u) ? magnitude : -magnitude;
    }
    return pcm;
}

// Beats every beatFrames frames from firstFrame on, each lasting to the next
// (the last to the song's end), and connections from every beat to a few
// others, forwards and back, with varied scores.
inline Analysis beatGrid(int64_t songFrames, int64_t firstFrame, int64_t beatFrames, int connectionsPerBeat = 3)
{
    Analysis a;
    const double seconds = static_cast<double>(songFrames) / 48000.0;
    for (int64_t f = firstFrame; f < songFrames; f += beatFrames) {
        Beat b;
        b.time = static_cast<double>(f) / 48000.0;
        a.beats.push_back(b);
    }
    for (size_t i = 0; i < a.beats.size(); ++i)
        a.beats[i].duration = (i + 1 < a.beats.size() ? a.beats[i + 1].time : seconds) - a.beats[i].time;
    const int32_t n = static_cast<int32_t>(a.beats.size());
    for (int32_t from = 0; from < n; ++from)
        for (int k = 0; k < connectionsPerBeat; ++k) {
            Connection c;
            c.from = from;
            c.to = (from * 7 + k * 5 + 3) % n;
            c.score = 1.0f - 0.1f * static_cast<float>(k);
            a.connections.push_back(c);
        }
    return a;
}

// The 16-bit conversion of the output, written out once more here so that
// the expected streams do not lean on the player's own code.
inline int16_t expected16(float v)
{
    if (v < -1.0f)
        return -32767;
    if (v > 1.0f)
        return 32767;
    return static_cast<int16_t>(std::lround(v * 32767.0f));
}

inline void appendFrame(std::vector<int16_t>& out, float left, float right, float gain)
{
    out.push_back(expected16(left * gain));
    out.push_back(expected16(right * gain));
}

inline float peakGain(const std::vector<float>& pcm)
{
    float peak = 0.0f;
    for (float s : pcm)
        peak = std::max(peak, std::fabs(s));
    return peak < 1e-9f ? 1.0f : std::min(0.98f / peak, 1.0f);
}

// Original from frame `first` to the end.
inline std::vector<int16_t> expectedOriginal(const std::vector<float>& pcm, int64_t first)
{
    const float gain = peakGain(pcm);
    std::vector<int16_t> out;
    for (size_t n = static_cast<size_t>(first); 2 * n < pcm.size(); ++n)
        appendFrame(out, pcm[2 * n], pcm[2 * n + 1], gain);
    return out;
}

// The render's frame rule, written out once more from its formulas so that
// the expected streams do not lean on the render's own code: cut points
// rounded to frames, a raised-cosine tail on the loop that lands on the frame
// before A, and a raised-cosine head on the outro that starts at A.
struct ExpectedFrame {
    float left = 0.0f;
    float right = 0.0f;
    int64_t songFrame = 0;  // the frame the position reports
};

struct ExpectedCuts {
    const std::vector<float>* pcm = nullptr;
    int64_t a = 0, b = 0, o = 0, x = 0;
};

inline ExpectedCuts expectedCuts(const std::vector<float>& pcm, const Loop& cuts, double fade)
{
    return {&pcm, std::llround(cuts.start * 48000.0), std::llround(cuts.end * 48000.0),
            std::llround(cuts.outro * 48000.0), std::llround(fade * 48000.0)};
}

inline double expectedRise(int64_t step, int64_t steps)
{
    return 0.5 - 0.5 * std::cos(3.14159265358979323846 * static_cast<double>(step) / static_cast<double>(steps - 1));
}

// fadeIn * weight + base * (1 - weight) per channel, in double.
inline ExpectedFrame expectedMix(const ExpectedCuts& k, int64_t base, int64_t fadeIn, double weight, int64_t songFrame)
{
    const std::vector<float>& s = *k.pcm;
    const auto mix = [&](int c) {
        return static_cast<float>(static_cast<double>(s[static_cast<size_t>(2 * fadeIn + c)]) * weight +
                                  static_cast<double>(s[static_cast<size_t>(2 * base + c)]) * (1.0 - weight));
    };
    return {mix(0), mix(1), songFrame};
}

inline ExpectedFrame expectedStartFrame(const ExpectedCuts& k, int64_t i)
{
    return expectedMix(k, i, i, 0.0, i);
}

inline ExpectedFrame expectedLoopFrame(const ExpectedCuts& k, int64_t i)
{
    const int64_t tailStart = (k.b - k.a) - k.x;
    if (i < tailStart)
        return expectedMix(k, k.a + i, k.a + i, 0.0, k.a + i);
    const int64_t w = i - tailStart;
    return expectedMix(k, k.a + i, k.a - k.x + w, expectedRise(w, k.x), k.a + i);
}

inline ExpectedFrame expectedOutroFrame(const ExpectedCuts& k, int64_t i)
{
    if (i >= k.x)
        return expectedMix(k, k.o + i, k.o + i, 0.0, k.o + i);
    // Starts as the audio after A and fades into the outro.
    return expectedMix(k, k.a + i, k.o + i, expectedRise(i, k.x), k.o + i);
}

// `frames` frames of the loop section from its frame `first` on, again and again.
inline std::vector<ExpectedFrame> expectedLoopFrames(const std::vector<float>& pcm, const Loop& cuts, double fade,
                                                     int64_t first, int64_t frames)
{
    const ExpectedCuts k = expectedCuts(pcm, cuts, fade);
    std::vector<ExpectedFrame> out;
    for (int64_t n = 0; n < frames; ++n)
        out.push_back(expectedLoopFrame(k, (first + n) % (k.b - k.a)));
    return out;
}

// The six join excerpts of L = min(A, 3 s, B - A, song - O) frames: before A,
// the loop's head, its tail, its head, its tail, the outro's head.
inline std::vector<ExpectedFrame> expectedJoinFrames(const std::vector<float>& pcm, const Loop& cuts, double fade)
{
    const ExpectedCuts k = expectedCuts(pcm, cuts, fade);
    const int64_t songFrames = static_cast<int64_t>(pcm.size() / 2);
    const int64_t loop = k.b - k.a;
    const int64_t l = std::min({k.a, int64_t{144000}, loop, songFrames - k.o});
    std::vector<ExpectedFrame> out;
    for (int64_t i = k.a - l; i < k.a; ++i)
        out.push_back(expectedStartFrame(k, i));
    for (int pass = 0; pass < 2; ++pass) {
        for (int64_t i = 0; i < l; ++i)
            out.push_back(expectedLoopFrame(k, i));
        for (int64_t i = loop - l; i < loop; ++i)
            out.push_back(expectedLoopFrame(k, i));
    }
    for (int64_t i = 0; i < l; ++i)
        out.push_back(expectedOutroFrame(k, i));
    return out;
}

inline std::vector<int16_t> expectedStream(const std::vector<ExpectedFrame>& frames, float gain)
{
    std::vector<int16_t> out;
    for (const ExpectedFrame& f : frames)
        appendFrame(out, f.left, f.right, gain);
    return out;
}

// `frames` frames of the loop section played from its frame `first` on, again and again.
inline std::vector<int16_t> expectedLoop(const std::vector<float>& pcm, const Loop& cuts, double fade, int64_t first,
                                         int64_t frames)
{
    return expectedStream(expectedLoopFrames(pcm, cuts, fade, first, frames), peakGain(pcm));
}

// The six join excerpts.
inline std::vector<int16_t> expectedJoinTest(const std::vector<float>& pcm, const Loop& cuts, double fade)
{
    return expectedStream(expectedJoinFrames(pcm, cuts, fade), peakGain(pcm));
}

// The first `frames` frames an exploration from startSeconds plays, taken
// from the frame source itself (its walk is checked on its own).
inline std::vector<int16_t> expectedExplore(const std::vector<float>& pcm, const Analysis& analysis,
                                            double startSeconds, int64_t frames)
{
    PlaybackCursor cursor = startCursor(PlaybackMode::Explore, Loop{}, 0.0, startSeconds, pcm, analysis);
    std::vector<int16_t> out;
    SourceFrame f;
    for (int64_t k = 0; k < frames && nextFrame(cursor, f); ++k)
        appendFrame(out, f.left, f.right, 1.0f);
    return out;
}
