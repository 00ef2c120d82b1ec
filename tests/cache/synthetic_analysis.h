// Synthetic analyses whose every field carries a distinct value, so a cache
// round trip that drops or shifts any byte shows. Shared by the cache tests
// and the fuzzer's seed writer.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/analysis_model.h"

inline constexpr uint64_t kSyntheticSongFrames = 48000 * 30;  // a 30 s song

inline std::vector<float> silentSong(uint64_t frames)
{
    return std::vector<float>(static_cast<size_t>(frames) * 2, 0.0f);
}

// Beats spread evenly over the song, two connections per beat, loops that
// pass the cut rule with the 60 ms fade, and a full overview.
inline Analysis syntheticAnalysis(size_t beatCount, size_t loopCount = 3, int32_t meter = 4,
                                  uint64_t songFrames = kSyntheticSongFrames)
{
    const double seconds = static_cast<double>(songFrames) / 48000.0;
    Analysis a;
    a.bpm = 121.5;
    a.bpmLow = 118.25;
    a.bpmHigh = 125.125;
    a.confidence = 0.8125;
    a.meter = meter;
    const double spacing = beatCount > 0 ? (seconds - 0.5) / static_cast<double>(beatCount) : 0.0;
    for (size_t i = 0; i < beatCount; ++i) {
        Beat b;
        b.time = 0.25 + spacing * static_cast<double>(i);
        b.duration = spacing;
        b.bpm = 60.0 / spacing + static_cast<double>(i % 5) * 0.01;
        b.confidence = 0.5f + static_cast<float>(i % 50) / 100.0f;
        b.downbeatProbability = static_cast<float>(i % 4 == 0) * 0.75f;
        b.loudness = -20.0f - static_cast<float>(i % 7);
        b.phase = static_cast<int32_t>(i % static_cast<size_t>(meter));
        b.bar = static_cast<int32_t>(i / static_cast<size_t>(meter)) + 1;
        for (int k = 0; k < 12; ++k) {
            b.chroma[k] = std::sin(static_cast<double>(i * 12 + static_cast<size_t>(k))) + 1.0;
            b.mfcc[k] = std::cos(static_cast<double>(i * 13 + static_cast<size_t>(k)));
        }
        a.beats.push_back(b);
    }
    for (size_t i = 0; beatCount > 0 && i < beatCount * 2; ++i) {
        Connection c;
        c.from = static_cast<int32_t>(i / 2);
        c.to = static_cast<int32_t>((i * 7 + 3) % beatCount);
        c.score = static_cast<float>(i % 101) / 100.0f;
        c.harmony = 0.25f + static_cast<float>(i % 3) * 0.25f;
        c.timbre = 0.125f * static_cast<float>(i % 8);
        a.connections.push_back(c);
    }
    for (size_t k = 0; k < loopCount; ++k) {
        Loop l;
        l.start = 1.0 + 0.5 * static_cast<double>(k);
        l.end = l.start + 8.0;
        l.outro = l.end + 2.0;
        l.score = 0.9 - 0.01 * static_cast<double>(k);
        l.startBeat = static_cast<int32_t>(k);
        l.endBeat = static_cast<int32_t>(k + 16);
        l.outroBeat = static_cast<int32_t>(k + 20);
        l.bars = 4;
        l.harmony = 0.7;
        l.timbre = 0.6;
        l.rhythm = 0.95;
        l.loudnessGap = 1.5 + static_cast<double>(k);
        a.loops.push_back(l);
    }
    for (size_t k = 0; k < kOverviewSize; ++k)
        a.overview.push_back(static_cast<float>(k % 97) / 97.0f);
    a.engine = kEngineNeural;
    return a;
}
