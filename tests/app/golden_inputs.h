// The fixed inputs of the byte-identity tests: a generated song, a
// hand-built analysis, the texts a user types into the cut fields and the
// folders a session or the settings name. Nothing here runs the beat
// tracker, so a change of model never moves the expected bytes. The
// expected digests in byte_identity_test.cpp were made from exactly these
// inputs, so any change here means making them again (see that file).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analysis_model.h"

namespace golden {

inline constexpr uint64_t kSongFrames = 48000 * 16;  // a 16 s song

// Noise that peaks above full scale, so the headroom gain takes part, with
// a slow swell so the sections differ in level. Plain arithmetic only, no
// C library functions: the sine of one target differs from the other's in
// its last bits, and the inputs must not.
inline std::vector<float> songAudio()
{
    std::vector<float> pcm(static_cast<size_t>(kSongFrames) * 2);
    uint32_t state = 20261210u;
    for (size_t i = 0; i < pcm.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
        // A triangle from 0.6 to 1.25 and back every 8 s.
        const double phase = static_cast<double>((i / 2) % 384000) / 192000.0;
        const double swell = 0.6 + 0.65 * (phase < 1.0 ? phase : 2.0 - phase);
        pcm[i] = static_cast<float>(noise * swell);
    }
    return pcm;
}

// 32 beats at 120 BPM from 0.25 s, two connections per beat, three loops
// that pass the cut rule with any crossfade up to 250 ms, and a full overview.
inline Analysis analysis(const char* engine)
{
    Analysis a;
    a.bpm = 120.0;
    a.bpmLow = 118.5;
    a.bpmHigh = 121.25;
    a.confidence = 0.875;
    a.meter = 4;
    for (int i = 0; i < 32; ++i) {
        Beat b;
        b.time = 0.25 + 0.5 * i;
        b.duration = 0.5;
        b.bpm = 120.0 + 0.125 * (i % 3);
        b.confidence = 0.5f + static_cast<float>(i % 8) / 16.0f;
        b.downbeatProbability = i % 4 == 0 ? 0.875f : 0.0625f;
        b.loudness = -18.0f - static_cast<float>(i % 5) * 0.5f;
        b.phase = i % 4;
        b.bar = i / 4 + 1;
        for (int k = 0; k < 12; ++k) {
            b.chroma[k] = static_cast<double>((i * 12 + k * 7) % 29) / 16.0;
            b.mfcc[k] = static_cast<double>((i * 13 + k * 5) % 41) * 0.625 - 12.5;
        }
        a.beats.push_back(b);
    }
    for (int i = 0; i < 64; ++i) {
        Connection c;
        c.from = i / 2;
        c.to = (i * 7 + 3) % 32;
        c.score = static_cast<float>(i % 17) / 17.0f;
        c.harmony = 0.25f + static_cast<float>(i % 3) * 0.25f;
        c.timbre = 0.125f * static_cast<float>(i % 8);
        a.connections.push_back(c);
    }
    for (int k = 0; k < 3; ++k) {
        Loop l;
        l.start = 2.25 + 2.0 * k;
        l.end = l.start + 4.0;
        l.outro = l.end + 1.0;
        l.score = 0.95 - 0.05 * k;
        l.startBeat = 4 + 4 * k;
        l.endBeat = 12 + 4 * k;
        l.outroBeat = 14 + 4 * k;
        l.bars = 2;
        l.harmony = 0.75;
        l.timbre = 0.625;
        l.rhythm = 0.9375;
        l.loudnessGap = 0.5 + k;
        a.loops.push_back(l);
    }
    for (size_t k = 0; k < kOverviewSize; ++k)
        a.overview.push_back(static_cast<float>(k % 89) / 89.0f);
    a.engine = engine;
    return a;
}

// What the user typed into A, B, O, the crossfade (ms) and the repetitions.
struct TypedCuts {
    std::u16string start, end, outro, crossfade, repetitions;
};

// The song's name reaches "cortes.json"; the session stores the whole path.
inline const char* kSongName = "demo canción.wav";

inline const TypedCuts kPlainCuts{u"2.25", u"6.25", u"7.25", u"60", u"2"};
// A comma, nine decimals and a crossfade that is not whole.
inline const TypedCuts kFineCuts{u"1,123456789", u"5.987654321", u"12.5", u"37.5", u"3"};
// A crossfade whose thousandths sit on a rounding edge, typed with a comma.
inline const TypedCuts kEdgeFadeCuts{u"3", u"9", u"10", u"7,8145", u"100"};

} // namespace golden
