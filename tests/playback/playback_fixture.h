// Songs, analyses and expected output shared by the playback tests, on both
// targets (the Windows tests compare what the real device played with these).
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/analysis_model.h"
#include "playback/frame_source.h"
#include "render/render_plan.h"

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

// `frames` frames of the loop section played from its frame `first` on, again and again.
inline std::vector<int16_t> expectedLoop(const std::vector<float>& pcm, const Loop& cuts, double fade, int64_t first,
                                         int64_t frames)
{
    RenderPlan plan;
    const float gain = prepareRender(plan, pcm, cuts, fade);
    const int64_t length = sectionLength(plan, SectionKind::Loop);
    std::vector<int16_t> out;
    for (int64_t k = 0; k < frames; ++k) {
        const auto [l, r] = sectionFrame(plan, SectionKind::Loop, (first + k) % length);
        appendFrame(out, l, r, gain);
    }
    return out;
}

// The six join excerpts, as the render produces them.
inline std::vector<int16_t> expectedJoinTest(const std::vector<float>& pcm, const Loop& cuts, double fade)
{
    RenderPlan plan;
    const float gain = prepareRender(plan, pcm, cuts, fade);
    std::vector<int16_t> out;
    for (const Segment& s : joinSegments(plan))
        for (int64_t i = 0; i < s.count; ++i) {
            const auto [l, r] = sectionFrame(plan, s.section, s.offset + i);
            appendFrame(out, l, r, gain);
        }
    return out;
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
