// A loud song for the benchmarks: a 220 Hz tone over a little noise, peaking
// above full scale so the render has a gain to apply.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

inline std::vector<float> syntheticSong(int64_t frames)
{
    std::vector<float> pcm(static_cast<size_t>(2 * frames));
    uint32_t noise = 1;
    const double step = 2.0 * 3.14159265358979323846 * 220.0 / 48000.0;
    for (int64_t n = 0; n < frames; ++n) {
        noise = noise * 1664525u + 1013904223u;
        const float hiss = 0.1f * (static_cast<float>(noise >> 8) / 8388608.0f - 1.0f);
        const float tone = 1.1f * static_cast<float>(std::sin(step * static_cast<double>(n % 48000)));
        pcm[static_cast<size_t>(2 * n)] = tone + hiss;
        pcm[static_cast<size_t>(2 * n + 1)] = 0.8f * tone - hiss;
    }
    return pcm;
}
