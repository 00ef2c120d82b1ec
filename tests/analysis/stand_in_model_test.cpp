#include <gtest/gtest.h>

#include <cmath>
#include <exception>
#include <thread>

#include "analysis/beat_decoding.h"
#include "analysis/beat_model.h"
#include "drum_track.h"
#include "engine_fixture.h"

namespace {

// The whole beat path as the analysis runs it, on its own thread.
DecodedBeats track(const std::vector<float>& samples, double duration)
{
    DecodedBeats decoded;
    std::exception_ptr error;
    std::thread job([&] {
        NeuralEngine engine;
        try {
            const Spectrogram spectrogram = logMelSpectrogram(samples, [] {});
            loadEngine(engine, testsBinDir());
            const Activations a = runBeatModel(engine, spectrogram, [] {}, [](int32_t, const std::string&) {});
            decoded = decodeBeats(a.beat, a.downbeat, duration);
        } catch (...) {
            error = std::current_exception();
        }
        releaseEngine(engine);
    });
    job.join();
    if (error)
        std::rethrow_exception(error);
    return decoded;
}

struct Score {
    double found = 0;   // share of true beats with a detected beat within 20 ms
    double extra = 0;   // detected beats matching no true beat, per true beat
    int downbeatsOff = 0;   // detected downbeats not on a true bar start
    int barsMissed = 0;     // true bar starts without a detected downbeat
};

Score score(const DecodedBeats& d, const std::vector<double>& beats, const std::vector<double>& bars)
{
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

} // namespace

TEST(StandInModel, TracksASteadyDrumTrack)
{
    for (const double bpm : {100.0, 120.0, 136.0}) {
        const DrumTrack drums = drumTrack(40.0, bpm, 4, 1.0);
        const DecodedBeats d = track(drums.samples, drums.duration);
        const Score s = score(d, drums.beats, drums.barStarts);
        EXPECT_GE(s.found, 0.95) << bpm;
        EXPECT_LE(s.extra, 0.05) << bpm;
        EXPECT_EQ(d.meter, 4) << bpm;
        EXPECT_EQ(s.downbeatsOff, 0) << bpm;
        EXPECT_LE(s.barsMissed, 1) << bpm;
        std::printf("bpm %.0f: found %.3f extra %.3f meter %d downbeats off %d bars missed %d of %zu\n", bpm, s.found,
                    s.extra, d.meter, s.downbeatsOff, s.barsMissed, drums.barStarts.size());
    }
}

TEST(StandInModel, SilenceGivesNoBeats)
{
    const DecodedBeats d = track(std::vector<float>(22050 * 20, 0.0f), 20.0);
    EXPECT_TRUE(d.beats.empty());
}
