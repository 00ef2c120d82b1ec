#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/beat_descriptors.h"

namespace {

constexpr double kRate = 22050.0;

std::vector<float> tone(double hz, double seconds, double amplitude = 0.5)
{
    std::vector<float> samples(static_cast<size_t>(seconds * kRate));
    for (size_t n = 0; n < samples.size(); ++n)
        samples[n] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(n) / kRate));
    return samples;
}

Spectrogram silentSpectrogram(uint64_t frames)
{
    return {frames, std::vector<float>(frames * kMelBands, 0.0f)};
}

Spectrogram spectrogramFor(std::span<const float> mono)
{
    return silentSpectrogram(mono.size() / 441 + 1);
}

Analysis oneBeat(double time, double duration)
{
    Analysis a;
    Beat beat;
    beat.time = time;
    beat.duration = duration;
    a.beats.push_back(beat);
    return a;
}

const TickFn noTick = [] {};

size_t strongestPitchClass(const Beat& beat)
{
    return static_cast<size_t>(std::max_element(std::begin(beat.chroma), std::end(beat.chroma)) - std::begin(beat.chroma));
}

} // namespace

TEST(BeatDescriptors, PureToneLandsOnItsPitchClass)
{
    struct Case {
        double hz;
        size_t pitchClass;
    };
    for (const Case c : {Case{440.0, 9}, Case{261.6, 0}}) {
        SCOPED_TRACE(c.hz);
        const std::vector<float> mono = tone(c.hz, 2.0);
        Analysis a = oneBeat(0.5, 0.5);
        describeBeats(mono, spectrogramFor(mono), a, noTick);
        const Beat& beat = a.beats[0];
        ASSERT_EQ(strongestPitchClass(beat), c.pitchClass);
        std::vector<double> others(std::begin(beat.chroma), std::end(beat.chroma));
        others.erase(others.begin() + static_cast<std::ptrdiff_t>(c.pitchClass));
        // "By far": the pure tone's class dwarfs every other.
        EXPECT_GT(beat.chroma[c.pitchClass], 4.0 * *std::max_element(others.begin(), others.end()));
    }
}

TEST(BeatDescriptors, HarmonyIsReadFortyPercentIntoTheBeatButAtMost200Ms)
{
    // C everywhere except an A around the expected analysis point; the
    // 4096-sample window reaches 93 ms either side of it.
    struct Case {
        double duration;
        double aFrom, aTo;  // s
    };
    for (const Case c : {Case{0.05, 0.92, 1.12}, Case{1.0, 1.10, 1.30}}) {
        SCOPED_TRACE(c.duration);
        std::vector<float> mono(static_cast<size_t>(3.0 * kRate));
        for (size_t n = 0; n < mono.size(); ++n) {
            const double t = static_cast<double>(n) / kRate;
            const double hz = t >= c.aFrom && t < c.aTo ? 440.0 : 261.6;
            mono[n] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * hz * t));
        }
        Analysis a = oneBeat(1.0, c.duration);
        describeBeats(mono, spectrogramFor(mono), a, noTick);
        EXPECT_EQ(strongestPitchClass(a.beats[0]), 9u);
    }
}

TEST(BeatDescriptors, OnlyBinsFrom55To5000HzCount)
{
    // A tone centred on FFT bin m under the Hann window reaches only bins
    // m - 1, m and m + 1, so these tones probe the band edges exactly:
    // bin 10 is 53.8 Hz, bin 11 59.2 Hz, bin 928 4996.9 Hz, bin 929 5001.9 Hz.
    struct Case {
        int bin;
        bool counted;
    };
    for (const Case c : {Case{9, false}, Case{12, true}, Case{927, true}, Case{930, false}}) {
        SCOPED_TRACE(c.bin);
        const std::vector<float> mono = tone(c.bin * kRate / 4096.0, 1.0);
        Analysis a = oneBeat(0.3, 0.5);
        describeBeats(mono, spectrogramFor(mono), a, noTick);
        const double strongest = *std::max_element(std::begin(a.beats[0].chroma), std::end(a.beats[0].chroma));
        if (c.counted)
            EXPECT_GT(strongest, 10.0);
        else
            EXPECT_LT(strongest, 0.1);  // what is left is the rounding noise of float samples
    }
}

TEST(BeatDescriptors, LoudnessOfTheBeatSamples)
{
    struct Case {
        const char* name;
        std::vector<float> mono;
        double time;
        double duration;
        float loudness;
    };
    std::vector<float> endsLoud(22050, 0.0f);
    endsLoud.back() = 0.5f;
    const Case cases[] = {
        {"silence", std::vector<float>(22050, 0.0f), 0.2, 0.5, -120.0f},
        {"constant 0.1", std::vector<float>(22050, 0.1f), 0.2, 0.5, -20.0f},
        {"zero duration", std::vector<float>(22050, 0.1f), 0.2, 0.0, -120.0f},
        // Past the end of the audio only the last sample is left to measure.
        {"past the end", endsLoud, 3.0, 0.5, static_cast<float>(10.0 * std::log10(0.25 + 1e-12))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analysis a = oneBeat(c.time, c.duration);
        describeBeats(c.mono, spectrogramFor(c.mono), a, noTick);
        EXPECT_NEAR(a.beats[0].loudness, c.loudness, 1e-4);
        if (c.mono[0] == 0.0f) {
            for (double v : a.beats[0].chroma)
                EXPECT_EQ(v, 0.0);
        }
    }
}

TEST(BeatDescriptors, TimbreIsTheStandardisedCosineTransformOfTheBeatFrames)
{
    // Band profile cos(pi (b + 0.5) / 128) is the first DCT-II basis row: its
    // coefficient 1 is 0.125 * 64 = 8 and every other coefficient is 0. Two
    // beats 0 and 8 standardise to -+4 / sqrt(16 + 0.04).
    struct Case {
        const char* name;
        double secondBeatTime;  // the first beat covers [0, 0.5)
        uint64_t frames;
        uint64_t profileFrom;  // frames [profileFrom, frames) carry the profile
    };
    const Case cases[] = {
        {"frames within the beat", 0.5, 60, 25},
        {"start past the last frame reads the last frame", 2.0, 60, 59},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Spectrogram spectrogram = silentSpectrogram(c.frames);
        for (uint64_t k = c.profileFrom; k < c.frames; ++k)
            for (int b = 0; b < kMelBands; ++b)
                spectrogram.values[k * kMelBands + b] = static_cast<float>(std::cos(std::numbers::pi * (b + 0.5) / kMelBands));
        Analysis a = oneBeat(0.0, 0.5);
        Beat second;
        second.time = c.secondBeatTime;
        second.duration = 0.5;
        a.beats.push_back(second);
        const std::vector<float> mono(44100, 0.0f);
        describeBeats(mono, spectrogram, a, noTick);

        const double expected = 4.0 / std::sqrt(16.04);
        EXPECT_NEAR(a.beats[0].mfcc[0], -expected, 1e-6);
        EXPECT_NEAR(a.beats[1].mfcc[0], expected, 1e-6);
        for (int i = 1; i < 12; ++i) {
            EXPECT_NEAR(a.beats[0].mfcc[i], 0.0, 1e-6) << i;
            EXPECT_NEAR(a.beats[1].mfcc[i], 0.0, 1e-6) << i;
        }
    }
}

TEST(BeatDescriptors, TicksEverySixteenBeatsAndPassesCancellationOn)
{
    const std::vector<float> mono(22050 * 4, 0.0f);
    Analysis a;
    for (int k = 0; k < 33; ++k)
        a.beats.push_back(oneBeat(k * 0.1, 0.1).beats[0]);
    int ticks = 0;
    describeBeats(mono, spectrogramFor(mono), a, [&] { ++ticks; });
    EXPECT_EQ(ticks, 3);  // before beats 0, 16 and 32

    EXPECT_THROW(describeBeats(mono, spectrogramFor(mono), a, [] { throw std::runtime_error("cancelled"); }),
                 std::runtime_error);
}
