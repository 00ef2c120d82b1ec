#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/analysis_steps.h"
#include "analysis/beat_decoding.h"
#include "analysis/beat_model.h"
#include "engine_fixture.h"
#include "support/fixtures.h"

namespace {

struct Tracked {
    DecodedBeats decoded;
    double bpm = 0.0;
    double confidence = 0.0;
};

// The whole beat path as the analysis runs it, on its own thread, with the
// driver's silence gate and song tempo.
Tracked track(const std::vector<float>& mono, double duration)
{
    Tracked out;
    const Spectrogram spectrogram = logMelSpectrogram(mono, [] {});
    withEngineOnThread(testsBinDir(), [&](NeuralEngine& engine) {
        Activations a = runBeatModel(engine, spectrogram, [] {}, [](int32_t, const std::string&) {});
        gateSilence(a, mono);
        out.decoded = decodeBeats(a.beat, a.downbeat, duration);
    });
    Analysis analysis;
    analysis.beats = out.decoded.beats;
    songTempo(analysis);
    out.bpm = analysis.bpm;
    out.confidence = analysis.confidence;
    return out;
}

// One detection may match one true beat, within 70 ms.
double beatF(const std::vector<Beat>& found, const std::vector<double>& truth)
{
    if (found.empty() || truth.empty())
        return 0.0;
    std::vector<bool> used(found.size(), false);
    int matches = 0;
    for (const double t : truth) {
        size_t best = found.size();
        for (size_t i = 0; i < found.size(); ++i)
            if (!used[i] && std::abs(found[i].time - t) <= 0.07 &&
                (best == found.size() || std::abs(found[i].time - t) < std::abs(found[best].time - t)))
                best = i;
        if (best < found.size()) {
            used[best] = true;
            ++matches;
        }
    }
    const double precision = static_cast<double>(matches) / static_cast<double>(found.size());
    const double recall = static_cast<double>(matches) / static_cast<double>(truth.size());
    return matches == 0 ? 0.0 : 2 * precision * recall / (precision + recall);
}

// Share of the detected downbeats that sit within 70 ms of a true bar start.
double downbeatsOnBars(const std::vector<Beat>& found, const std::vector<double>& bars)
{
    int downbeats = 0, onBar = 0;
    for (const Beat& b : found) {
        if (b.downbeatProbability <= 0.5f)
            continue;
        ++downbeats;
        onBar += std::any_of(bars.begin(), bars.end(), [&](double t) { return std::abs(b.time - t) <= 0.07; });
    }
    return downbeats == 0 ? 0.0 : static_cast<double>(onBar) / downbeats;
}

// Sine tones with a few harmonics, for chords and notes under the tests' own control.
double tones(std::initializer_list<double> hz, double t)
{
    double v = 0;
    for (const double f : hz)
        for (int h = 1; h <= 3; ++h)
            v += std::sin(2 * std::numbers::pi * f * h * t) / h;
    return v;
}

constexpr double kBurstInterval = 60.0 / 220.0;

// Noise bursts 220 times a minute at `level`, every other one (burst k odd)
// `offBeatGain` times as loud, and `under(k, t)` sounding beneath burst k.
std::vector<float> noiseBursts(double seconds, double level, double offBeatGain,
                               const std::function<double(int64_t, double)>& under)
{
    std::vector<float> x(static_cast<size_t>(22050 * seconds));
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (size_t i = 0; i < x.size(); ++i) {
        state ^= state >> 12, state ^= state << 25, state ^= state >> 27;
        const double noise = static_cast<double>((state * 0x2545F4914F6CDD1Dull) >> 11) / 9007199254740992.0 - 0.5;
        const double t = static_cast<double>(i) / 22050.0;
        const auto k = static_cast<int64_t>(t / kBurstInterval);
        const double since = t - static_cast<double>(k) * kBurstInterval;
        const double gain = k % 2 == 0 ? 1.0 : offBeatGain;
        x[i] = static_cast<float>(level * gain * noise * std::exp(-since / 0.02) + under(k, t));
    }
    return x;
}

struct SongCase {
    const char* name;
    double bpm;
    int meter;           // of the generated song
    int expectedMeter;   // what the tracker should report: 3 for triple time, 4 for duple (6/8 may give 2)
    HatPattern hats = HatPattern::Quarter;
    BassPattern bass = BassPattern::Downbeat;
    bool compound = false;
    double drift = 0.0;
};

struct SongResult {
    double f = 0, onBars = 0, bpm = 0, confidence = 0;
    int meter = 0;
};

SongResult trackSong(const SongCase& c, double seconds)
{
    SongShape shape;
    shape.seconds = seconds;
    shape.bpm = c.bpm;
    shape.meter = c.meter;
    shape.hats = c.hats;
    shape.bass = c.bass;
    shape.compound = c.compound;
    shape.drift = c.drift;
    const SynthSong song = synthSong(shape);
    const Tracked t = track(analysisAudio(song.samples), seconds);
    std::vector<double> beats, bars;
    for (const GridBeat& g : song.beats) {
        beats.push_back(g.time);
        if (g.downbeat)
            bars.push_back(g.time);
    }
    SongResult r;
    r.f = beatF(t.decoded.beats, beats);
    r.onBars = downbeatsOnBars(t.decoded.beats, bars);
    r.bpm = t.bpm;
    r.confidence = t.confidence;
    r.meter = t.decoded.meter;
    std::printf("%-34s %6.1f BPM -> %6.1f BPM  F %.3f  meter %d  downbeats on bars %3.0f %%  confidence %.3f\n",
                c.name, c.bpm, r.bpm, r.f, r.meter, 100 * r.onBars, r.confidence);
    return r;
}

} // namespace

TEST(StandInModel, TracksTheDemoSong)
{
    const SynthSong song = synthSong(demoShape());
    const Tracked t = track(analysisAudio(song.samples), demoShape().seconds);
    std::vector<double> beats, bars;
    for (const GridBeat& g : song.beats) {
        beats.push_back(g.time);
        if (g.downbeat)
            bars.push_back(g.time);
    }
    EXPECT_GE(beatF(t.decoded.beats, beats), 0.97);
    EXPECT_EQ(t.decoded.meter, 4);
    EXPECT_GE(downbeatsOnBars(t.decoded.beats, bars), 0.95);
    EXPECT_NEAR(t.bpm, 120.0, 1.0);
}

// Hats on eighths, sixteenths and swung eighths, no hats with a syncopated
// bass, 3/4 and 6/8, 70 to 180 BPM and a drifting tempo: every song's beats
// within 70 ms, its meter right (6/8 is duple: bars of two beats, or two
// such bars at a time) and its downbeats on bar starts.
TEST(StandInModel, TracksAWideSetOfSongs)
{
    const SongCase cases[] = {
        {"4/4 quarter hats", 120, 4, 4},
        {"4/4 eighth hats", 100, 4, 4, HatPattern::Eighth},
        {"4/4 eighth hats, slow", 70, 4, 4, HatPattern::Eighth},
        {"4/4 sixteenth hats", 96, 4, 4, HatPattern::Sixteenth},
        {"4/4 sixteenth hats, fast", 128, 4, 4, HatPattern::Sixteenth},
        {"4/4 swung hats", 110, 4, 4, HatPattern::Swung},
        {"4/4 no hats, syncopated bass", 105, 4, 4, HatPattern::None, BassPattern::Syncopated},
        {"4/4 eighth hats, syncopated bass", 90, 4, 4, HatPattern::Eighth, BassPattern::Syncopated},
        {"4/4 fast", 180, 4, 4},
        {"4/4 fast eighth hats", 160, 4, 4, HatPattern::Eighth},
        {"3/4 quarter hats", 120, 3, 3},
        {"3/4 eighth hats", 90, 3, 3, HatPattern::Eighth},
        {"3/4 slow", 75, 3, 3},
        {"3/4 fast", 170, 3, 3},
        {"6/8", 70, 2, 4, HatPattern::Quarter, BassPattern::Downbeat, true},
        {"6/8 brisk", 100, 2, 4, HatPattern::Quarter, BassPattern::Downbeat, true},
        {"4/4 drift 2 %", 120, 4, 4, HatPattern::Eighth, BassPattern::Downbeat, false, 0.02},
        {"3/4 drift 2 %", 100, 3, 3, HatPattern::Quarter, BassPattern::Downbeat, false, 0.02},
    };
    double lowestConfidence = 1.0;
    for (const SongCase& c : cases) {
        SCOPED_TRACE(c.name);
        const SongResult r = trackSong(c, 60.0);
        EXPECT_GE(r.f, 0.9);
        if (c.compound)
            EXPECT_TRUE(r.meter == 2 || r.meter == 4) << r.meter;
        else
            EXPECT_EQ(r.meter, c.expectedMeter);
        EXPECT_GE(r.onBars, 0.8);
        lowestConfidence = std::min(lowestConfidence, r.confidence);
    }
    std::printf("lowest confidence of a rhythmic song: %.3f\n", lowestConfidence);
}

// A bass and kick on 3 + 3 + 2 sixteenths repeat every three sixteenths
// twice in two beats, so the onsets' autocorrelation peaks there as well:
// the tempo must stay on the beat, not its dotted three quarters (90 BPM
// came out at about 130, 80 at 160), and the beats on the beat, not on the
// mean of the figure's places (a quarter beat early). The figure repeats
// every two beats in the bass, so which half of the bar starts it is not
// asked.
TEST(StandInModel, ThreeThreeTwoFigureKeepsTheBeat)
{
    const SongCase cases[] = {
        {"4/4 3+3+2 bass and kick", 90, 4, 4, HatPattern::Quarter, BassPattern::Tresillo},
        {"4/4 3+3+2 bass and kick, eighth hats", 90, 4, 4, HatPattern::Eighth, BassPattern::Tresillo},
        {"4/4 3+3+2 bass and kick, no hats", 90, 4, 4, HatPattern::None, BassPattern::Tresillo},
        {"4/4 3+3+2 bass and kick, slow", 80, 4, 4, HatPattern::Quarter, BassPattern::Tresillo},
    };
    for (const SongCase& c : cases) {
        SCOPED_TRACE(c.name);
        const SongResult r = trackSong(c, 60.0);
        EXPECT_NEAR(r.bpm, c.bpm, 0.02 * c.bpm);
        EXPECT_GE(r.f, 0.9);
        EXPECT_EQ(r.meter, c.expectedMeter);
    }
}

// Noise and a held chord have no pulse: whatever beats come out, the
// confidence stays well below a rhythmic song's.
TEST(StandInModel, ConfidenceIsLowWithoutAPulse)
{
    const size_t n = 22050 * 40;
    std::vector<float> noise(n), chord(n);
    uint64_t state = 0x2545F4914F6CDD1Dull;
    for (size_t i = 0; i < n; ++i) {
        state ^= state >> 12, state ^= state << 25, state ^= state >> 27;
        noise[i] = static_cast<float>(0.3 * (static_cast<double>((state * 0x2545F4914F6CDD1Dull) >> 11) / 9007199254740992.0 - 0.5));
        const double t = static_cast<double>(i) / 22050.0;
        double v = 0;
        for (const double hz : {220.0, 261.63, 329.63})
            for (int h = 1; h <= 4; ++h)
                v += std::sin(2 * std::numbers::pi * hz * h * t) / h;
        chord[i] = static_cast<float>(0.1 * std::min(1.0, t / 0.5) * v);
    }
    const SongResult rhythmic = trackSong({"4/4 eighth hats", 100, 4, 4, HatPattern::Eighth}, 40.0);
    for (const auto& [name, audio] : {std::pair{"white noise", &noise}, std::pair{"held chord", &chord}}) {
        const Tracked t = track(*audio, 40.0);
        std::printf("%-12s %zu beats, %.1f BPM, confidence %.3f\n", name, t.decoded.beats.size(), t.bpm, t.confidence);
        EXPECT_LT(t.confidence, rhythmic.confidence - 0.2) << name;
    }
}

// Noise bursts 220 times a minute, faster than any beat the tracker counts:
// it takes every other burst as the beat. When every second burst is
// accented the beat's place is plain; when all weigh alike it could as well
// sit half a beat later, and the next window may take the other place, so
// the confidence must say so.
TEST(StandInModel, ConfidenceIsLowWhereTheBeatCouldSitHalfABeatAway)
{
    const double seconds = 40.0;
    const auto nothing = [](int64_t, double) { return 0.0; };
    const Tracked accented = track(noiseBursts(seconds, 0.6, 0.2, nothing), seconds);
    const Tracked even = track(noiseBursts(seconds, 0.6, 1.0, nothing), seconds);
    std::printf("accented: %.1f BPM, confidence %.3f; even: %.1f BPM, confidence %.3f\n", accented.bpm,
                accented.confidence, even.bpm, even.confidence);
    EXPECT_NEAR(accented.bpm, 110.0, 2.0);
    EXPECT_LT(even.confidence, accented.confidence - 0.1);
}

TEST(StandInModel, SilenceGivesNoBeats)
{
    const Tracked t = track(std::vector<float>(22050 * 20, 0.0f), 20.0);
    EXPECT_TRUE(t.decoded.beats.empty());
}

// Noise bursts 220 times a minute, every other one half again as loud, over
// a quiet chord that changes on the softer ones: the beat is where the chord
// changes. Onsets alone put it on the louder bursts, half a beat away.
TEST(StandInModel, ChordChangesMarkTheBeatWhereTheOnsetsDoNot)
{
    const double seconds = 40.0;
    const std::vector<float> x = noiseBursts(seconds, 0.5, 1.5, [](int64_t k, double t) {
        return 0.04 * ((k / 2) % 2 == 0 ? tones({220.0, 277.18, 329.63}, t) : tones({246.94, 311.13, 369.99}, t));
    });
    std::vector<double> changes;
    for (double t = 0.0; t < seconds; t += 2 * kBurstInterval)
        changes.push_back(t);
    const Tracked t = track(x, seconds);
    std::printf("%.1f BPM, F against the chord changes %.3f\n", t.bpm, beatF(t.decoded.beats, changes));
    EXPECT_NEAR(t.bpm, 110.0, 2.0);
    EXPECT_GE(beatF(t.decoded.beats, changes), 0.9);
}

// Notes that swell over 150 ms, one a beat at 90 BPM with nothing else: the
// beat is heard as the note grows loud, not at the first quiet moment of its
// attack (where beats read from the logarithm's steepest rise landed, a
// frame or more before the note began).
TEST(StandInModel, ASlowAttackPutsTheBeatWhereTheNoteGrowsLoud)
{
    const double seconds = 40.0, interval = 60.0 / 90.0, attack = 0.15;
    std::vector<float> x(static_cast<size_t>(22050 * seconds));
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / 22050.0;
        const auto k = static_cast<int64_t>(t / interval);
        const double since = t - static_cast<double>(k) * interval;
        const double swell = since < attack ? 0.5 - 0.5 * std::cos(std::numbers::pi * since / attack)
                                            : std::exp(-(since - attack) / 0.2);
        const double root = k % 4 == 0 ? 196.0 : k % 4 == 1 ? 220.0 : k % 4 == 2 ? 174.61 : 164.81;
        x[i] = static_cast<float>(0.2 * swell * tones({root, root * 1.5}, t));
    }
    std::vector<double> starts;
    for (double t = 0.0; t < seconds; t += interval)
        starts.push_back(t);
    const Tracked t = track(x, seconds);
    double offset = 0.0;
    int matched = 0;
    for (const Beat& b : t.decoded.beats) {
        const double nearest = std::round(b.time / interval) * interval;
        if (std::abs(b.time - nearest) < interval / 4) {
            offset += b.time - nearest;
            ++matched;
        }
    }
    offset = matched ? offset / matched : -1.0;
    std::printf("%.1f BPM, %d beats near a note, mean offset from the note's start %.0f ms\n", t.bpm, matched,
                1000 * offset);
    EXPECT_NEAR(t.bpm, 90.0, 2.0);
    EXPECT_GE(matched, static_cast<int>(0.9 * static_cast<double>(starts.size())));
    EXPECT_GE(offset, 0.0);
    EXPECT_LE(offset, attack);
}
