// A synthetic drum track at 22 050 Hz with known beats and bar starts:
// kick and a bass note on every bar start, snare on beats 2 and 4, hi-hat on
// every beat, a soft chord changing with each bar.
#pragma once
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

struct DrumTrack {
    std::vector<float> samples;
    std::vector<double> beats;     // s
    std::vector<double> barStarts; // s
    double duration = 0.0;
};

inline DrumTrack drumTrack(double seconds, double bpm, int beatsPerBar, double firstBeat)
{
    constexpr double rate = 22050.0;
    const double pi = std::numbers::pi;
    DrumTrack track;
    track.duration = seconds;
    track.samples.assign(static_cast<size_t>(seconds * rate), 0.0f);
    std::vector<double> mix(track.samples.size(), 0.0);
    uint32_t state = 2024;
    auto noise = [&] {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    };
    const double period = 60.0 / bpm;
    const double bass[] = {55.0, 65.41, 49.0, 73.42};
    const double chords[][3] = {{220.0, 277.18, 329.63}, {261.63, 329.63, 392.0}, {196.0, 246.94, 293.66},
                                {293.66, 369.99, 440.0}};
    int index = 0;
    for (double t0 = firstBeat; t0 < seconds - 0.05; t0 += period, ++index) {
        track.beats.push_back(t0);
        const int inBar = index % beatsPerBar;
        const int bar = index / beatsPerBar;
        if (inBar == 0)
            track.barStarts.push_back(t0);
        const auto start = static_cast<size_t>(std::lround(t0 * rate));
        const double length = inBar == 0 ? period * beatsPerBar : 0.3;
        double previous = 0.0;
        for (size_t i = start; i < mix.size() && static_cast<double>(i - start) < length * rate; ++i) {
            const double t = static_cast<double>(i - start) / rate;
            const double n = noise();
            double v = 0.25 * (n - previous) * std::exp(-t / 0.02);  // hi-hat: differenced noise
            previous = n;
            if (inBar == 0) {
                const double phase = 2 * pi * (50.0 * t + 70.0 * 0.03 * (1 - std::exp(-t / 0.03)));
                v += 0.8 * std::sin(phase) * std::exp(-t / 0.1);                      // kick
                const double attack = std::min(1.0, t / 0.005);
                v += 0.3 * attack * std::sin(2 * pi * bass[bar % 4] * t) * std::exp(-t / 1.5);  // bass
                for (const double f : chords[bar % 4])
                    v += 0.04 * std::min(1.0, t / 0.01) * std::sin(2 * pi * f * t);     // chord
            }
            if (inBar % 2 == 1 && t < 0.3)
                v += (0.35 * n + 0.3 * std::sin(2 * pi * 185.0 * t)) * std::exp(-t / 0.06);  // snare
            mix[i] += v;
        }
    }
    for (size_t i = 0; i < mix.size(); ++i)
        track.samples[i] = static_cast<float>(mix[i]);
    return track;
}
