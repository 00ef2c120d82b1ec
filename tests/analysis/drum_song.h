// A synthetic song for analysis tests and benchmarks: a kick on every bar
// start, a snare-like burst above 500 Hz on the other beats, a hi-hat on
// every beat, and a sustained chord that changes every bar and repeats every
// four bars. Both audio forms are
// synthesised from the same function of time, so they agree exactly.
#pragma once
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

struct DrumSong {
    std::vector<float> stereo;  // 48 kHz, left and right interleaved
    std::vector<float> mono;    // 22 050 Hz
};

inline double drumSongSample(double t, double bpm, int meter)
{
    constexpr double twoPi = 2.0 * std::numbers::pi;
    // C major, A minor, F major, G major: root, third and fifth in Hz.
    constexpr double chords[4][3] = {{261.63, 329.63, 392.00},
                                     {220.00, 261.63, 329.63},
                                     {174.61, 220.00, 261.63},
                                     {196.00, 246.94, 293.66}};
    const double beatLength = 60.0 / bpm;
    const long beat = static_cast<long>(t / beatLength);
    const double since = t - static_cast<double>(beat) * beatLength;
    const bool barStart = beat % meter == 0;
    const double hit = barStart ? 0.9 * std::exp(-since * 18.0) * std::sin(twoPi * 55.0 * since)
                                : 0.3 * (1.0 - std::exp(-since * 300.0)) * std::exp(-since * 30.0) *
                                      (std::sin(twoPi * 620.0 * since) + 0.5 * std::sin(twoPi * 1870.0 * since));
    const double hat = 0.08 * std::exp(-since * 60.0) *
                       (std::sin(twoPi * 5200.0 * since) + std::sin(twoPi * 7300.0 * since));
    const double* chord = chords[(beat / meter) % 4];
    double pad = 0.0;
    for (int n = 0; n < 3; ++n)
        pad += 0.07 * std::sin(twoPi * chord[n] * t);
    return hit + hat + pad;
}

inline DrumSong makeDrumSong(double seconds, double bpm = 120.0, int meter = 4)
{
    DrumSong song;
    const size_t frames = static_cast<size_t>(seconds * 48000.0);
    song.stereo.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const float x = static_cast<float>(drumSongSample(static_cast<double>(i) / 48000.0, bpm, meter));
        song.stereo[2 * i] = x;
        song.stereo[2 * i + 1] = x;
    }
    song.mono.resize(static_cast<size_t>(seconds * 22050.0));
    for (size_t n = 0; n < song.mono.size(); ++n)
        song.mono[n] = static_cast<float>(drumSongSample(static_cast<double>(n) / 22050.0, bpm, meter));
    return song;
}
