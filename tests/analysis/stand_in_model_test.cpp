#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <exception>
#include <thread>

#include "analysis/beat_decoding.h"
#include "analysis/beat_model.h"
#include "engine_fixture.h"
#include "support/fixtures.h"

namespace {

// The analysis audio of a synthesised song: 44.1 kHz stereo to 22 050 Hz
// mono through a windowed-sinc low-pass at 10 kHz.
std::vector<float> analysisAudio(const SynthSong& song)
{
    constexpr int taps = 63;
    std::vector<double> kernel(taps);
    double sum = 0;
    for (int i = 0; i < taps; ++i) {
        const double x = i - (taps - 1) / 2.0;
        const double cutoff = 10000.0 / 44100.0;
        const double sinc = x == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * x) / (std::numbers::pi * x);
        kernel[i] = sinc * (0.54 - 0.46 * std::cos(2 * std::numbers::pi * i / (taps - 1)));
        sum += kernel[i];
    }
    const size_t frames = song.samples.size() / 2;
    std::vector<float> out(frames / 2);
    for (size_t o = 0; o < out.size(); ++o) {
        double acc = 0;
        for (int i = 0; i < taps; ++i) {
            const auto at = static_cast<int64_t>(2 * o) + i - (taps - 1) / 2;
            if (at >= 0 && at < static_cast<int64_t>(frames))
                acc += kernel[i] * 0.5 * (song.samples[2 * at] + song.samples[2 * at + 1]);
        }
        out[o] = static_cast<float>(acc / sum);
    }
    return out;
}

// The whole beat path as the analysis runs it, on its own thread.
DecodedBeats track(const std::vector<float>& samples, double duration)
{
    DecodedBeats decoded;
    const Spectrogram spectrogram = logMelSpectrogram(samples, [] {});
    withEngineOnThread(testsBinDir(), [&](NeuralEngine& engine) {
        const Activations a = runBeatModel(engine, spectrogram, [] {}, [](int32_t, const std::string&) {});
        decoded = decodeBeats(a.beat, a.downbeat, duration);
    });
    return decoded;
}

struct Score {
    double found = 0;   // share of true beats with a detected beat within 20 ms
    double extra = 0;   // detected beats matching no true beat, per true beat
    int downbeatsOff = 0;   // detected downbeats not on a true bar start
    int barsMissed = 0;     // true bar starts without a detected downbeat
};

Score score(const DecodedBeats& d, const std::vector<GridBeat>& grid)
{
    std::vector<double> beats, bars;
    for (const GridBeat& g : grid) {
        beats.push_back(g.time);
        if (g.downbeat)
            bars.push_back(g.time);
    }
    auto near = [](double a, double b) { return std::abs(a - b) <= 0.02; };
    Score s;
    int found = 0;
    for (const double t : beats) {
        bool hit = false;
        for (const Beat& b : d.beats)
            hit = hit || near(b.time, t);
        found += hit;
    }
    int extra = 0;
    for (const Beat& b : d.beats) {
        bool hit = false;
        for (const double t : beats)
            hit = hit || near(b.time, t);
        extra += !hit;
        if (b.downbeatProbability > 0.5f) {
            bool onBar = false;
            for (const double t : bars)
                onBar = onBar || near(b.time, t);
            s.downbeatsOff += !onBar;
        }
    }
    for (const double t : bars) {
        bool hit = false;
        for (const Beat& b : d.beats)
            hit = hit || (near(b.time, t) && b.downbeatProbability > 0.5f);
        s.barsMissed += !hit;
    }
    s.found = static_cast<double>(found) / static_cast<double>(beats.size());
    s.extra = static_cast<double>(extra) / static_cast<double>(beats.size());
    return s;
}

void expectTracked(const SongShape& shape, const char* what)
{
    const SynthSong song = synthSong(shape);
    const DecodedBeats d = track(analysisAudio(song), shape.seconds);
    const Score s = score(d, song.beats);
    EXPECT_GE(s.found, 0.95) << what;
    EXPECT_LE(s.extra, 0.05) << what;
    EXPECT_EQ(d.meter, shape.meter) << what;
    EXPECT_EQ(s.downbeatsOff, 0) << what;
    EXPECT_LE(s.barsMissed, 1) << what;
    std::printf("%s: %.1f %% of beats within 20 ms, %.1f %% extra, meter %d, %d downbeats off the bar starts, "
                "%d bar starts missed\n",
                what, 100 * s.found, 100 * s.extra, d.meter, s.downbeatsOff, s.barsMissed);
}

} // namespace

TEST(StandInModel, TracksTheDemoSong)
{
    expectTracked(demoShape(), "demo song");
}

TEST(StandInModel, TracksOtherTemposAndMeters)
{
    struct Case {
        double bpm;
        int meter;
    };
    for (const Case c : {Case{92, 4}, Case{136, 4}, Case{160, 4}, Case{120, 3}}) {
        SongShape shape;
        shape.seconds = 40.0;
        shape.bpm = c.bpm;
        shape.meter = c.meter;
        const std::string what = std::to_string(static_cast<int>(c.bpm)) + " BPM " + std::to_string(c.meter) + "/4";
        expectTracked(shape, what.c_str());
    }
}

TEST(StandInModel, SilenceGivesNoBeats)
{
    const DecodedBeats d = track(std::vector<float>(22050 * 20, 0.0f), 20.0);
    EXPECT_TRUE(d.beats.empty());
}
