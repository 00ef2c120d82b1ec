// Time of the beat-tracking front end per minute of audio: the log-mel
// spectrogram, and windowed inference with the installed beat model.
// Usage: bench_beat_tracking [minutes]   (the model and runtime are taken
// from the folder of this executable, as the program takes them from its own).
//        bench_beat_tracking --track SONG.f32 ...   tempo, meter and confidence
// of songs given as raw 32-bit float mono at 22 050 Hz (ffmpeg -ac 1 -ar 22050 -f f32le).
//        bench_beat_tracking --evaluate MANIFEST   the installed model against
// reference trackers on real songs (scripts/eval-tracker.sh writes the
// manifest), then on generated songs with known beats, bars and meters.
//        bench_beat_tracking --evaluate-real MANIFEST   the real songs only.
//        bench_beat_tracking --compare SONG.f32 REFERENCE.txt   one song
// against a reference's beats, window by window.
//        bench_beat_tracking --generated   the generated songs only.
//        bench_beat_tracking --spectrogram SONG.f32 OUT.f32   the model's input
// (frames x 128 floats) for study outside the program.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <numbers>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <sstream>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/analysis_steps.h"
#include "analysis/beat_decoding.h"
#include "analysis/beat_model.h"
#include "analysis/neural_engine.h"
#include "analysis/spectrogram.h"
#include "beat_scores.h"
#include "tools/demo_song/song_synth.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of the whole process: on a loaded machine the fairer figure
// for single-threaded work.
double cpuSecondsSince(std::clock_t start)
{
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// Clicks on a beat grid over a chord and some noise: a busy, music-like signal.
std::vector<float> testAudio(double minutes)
{
    const auto n = static_cast<size_t>(minutes * 60.0 * 22050.0);
    std::vector<float> x(n);
    uint32_t state = 7;
    for (size_t i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        const double t = static_cast<double>(i) / 22050.0;
        const double sinceBeat = std::fmod(t, 0.5);
        x[i] = static_cast<float>(0.1 * (std::sin(2 * std::numbers::pi * 220 * t) + std::sin(2 * std::numbers::pi * 277 * t)) +
                                  0.4 * std::exp(-sinceBeat / 0.03) * (static_cast<double>(state >> 8) / 8388608.0 - 1.0));
    }
    return x;
}

std::vector<float> readRawMono(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<float> samples;
    float value = 0.0f;
    while (in.read(reinterpret_cast<char*>(&value), sizeof value))
        samples.push_back(value);
    return samples;
}

struct Tracked {
    Analysis analysis;  // beats, meter, tempo and confidence
    double seconds = 0.0;
};

// The beat path of the analysis on one song: spectrogram, model, silence
// gate, decoding and the song tempo.
Tracked trackMono(NeuralEngine& engine, const std::vector<float>& mono)
{
    Tracked out;
    const Spectrogram spectrogram = logMelSpectrogram(mono, [] {});
    Activations a = runBeatModel(engine, spectrogram, [] {}, [](int32_t, const std::string&) {});
    gateSilence(a, mono);
    out.seconds = static_cast<double>(mono.size()) / 22050.0;
    DecodedBeats decoded = decodeBeats(a.beat, a.downbeat, out.seconds);
    out.analysis.meter = decoded.meter;
    out.analysis.beats = std::move(decoded.beats);
    songTempo(out.analysis);
    return out;
}

// Runs `work` with a loaded engine on a thread of its own, as the analysis job does.
int withEngine(const std::filesystem::path& folder, const std::function<void(NeuralEngine&)>& work)
{
    int status = 0;
    std::thread job([&] {
        NeuralEngine engine;
        try {
            loadEngine(engine, folder);
            work(engine);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            status = 1;
        }
        releaseEngine(engine);
    });
    job.join();
    return status;
}

int trackSongs(const std::filesystem::path& folder, int count, char** paths)
{
    return withEngine(folder, [&](NeuralEngine& engine) {
        for (int i = 0; i < count; ++i) {
            const Tracked t = trackMono(engine, readRawMono(paths[i]));
            const Analysis& a = t.analysis;
            std::printf("%-40s %7.1f s  %6.1f BPM (%.1f-%.1f)  meter %d  confidence %.3f  %zu beats\n",
                        std::filesystem::path(paths[i]).filename().string().c_str(), t.seconds, a.bpm, a.bpmLow,
                        a.bpmHigh, a.meter, a.confidence, a.beats.size());
        }
    });
}

std::vector<double> beatTimes(const Analysis& a, bool downbeatsOnly)
{
    std::vector<double> times;
    for (const Beat& b : a.beats)
        if (!downbeatsOnly || b.downbeatProbability > 0.5f)
            times.push_back(b.time);
    return times;
}

// A reference file: optional "confidence X" first, then one beat time a line
// (aubio's output has the times alone).
struct Reference {
    std::vector<double> beats;
    double confidence = -1.0;  // none given
};

Reference readReference(const std::filesystem::path& path)
{
    Reference r;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("confidence ", 0) == 0)
            r.confidence = std::atof(line.c_str() + 11);
        else if (!line.empty())
            r.beats.push_back(std::atof(line.c_str()));
    }
    std::sort(r.beats.begin(), r.beats.end());
    return r;
}

double mean(const std::vector<double>& x)
{
    double sum = 0.0;
    for (const double v : x)
        sum += v;
    return x.empty() ? 0.0 : sum / static_cast<double>(x.size());
}

// Real songs against Essentia's multi-feature tracker and aubio. Manifest
// lines: name, song (.f32 mono 22 050 Hz), Essentia's beats, aubio's beats,
// separated by tabs.
void evaluateReal(NeuralEngine& engine, const std::filesystem::path& manifest)
{
    using namespace beat_scores;
    std::printf("Real songs: F at 70 ms, best of the reference's level, twice and half its rate; "
                "tempo agreement up to a factor 2 (4 %%)\n");
    std::printf("%-44s %6s %6s %6s %5s | %6s %3s %5s %6s | %6s %6s | %6s %5s | %6s %5s\n", "track", "ours", "ess",
                "aubio", "agree", "F ess", "lvl", "meter", "conf", "F aub", "e/a F", "essConf", "s", "phase", "held");
    std::vector<double> fEss, fAubio, fRefs, conf;
    int agreeing = 0, count = 0, weakWhereSure = 0;
    std::ifstream in(manifest);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name, song, essentiaFile, aubioFile;
        if (!std::getline(fields, name, '\t') || !std::getline(fields, song, '\t') ||
            !std::getline(fields, essentiaFile, '\t') || !std::getline(fields, aubioFile, '\t'))
            continue;
        const Tracked t = trackMono(engine, readRawMono(song));
        const Reference ess = readReference(essentiaFile), aub = readReference(aubioFile);
        const std::vector<double> ours = beatTimes(t.analysis, false);
        const double essBpm = medianTempo(ess.beats), aubBpm = medianTempo(aub.beats);
        const bool agree = tempoAgrees(t.analysis.bpm, essBpm) || tempoAgrees(t.analysis.bpm, aubBpm);
        const LevelScore vsEss = bestLevelF(ours, ess.beats), vsAub = bestLevelF(ours, aub.beats);
        const double refs = bestLevelF(aub.beats, ess.beats).f;
        // Where our beats sit in Essentia's beats: near 0 on the beat, 0.5
        // on the off-beat; "held" near 1 when that place stays put.
        const PhaseShare phase = phaseShare(ours, ess.beats);
        std::printf("%-44s %6.1f %6.1f %6.1f %5s | %6.3f %3s %5d %6.3f | %6.3f %6.3f | %6.2f %5.0f | %+6.2f %5.2f\n",
                    name.c_str(), t.analysis.bpm, essBpm, aubBpm, agree ? "yes" : "NO", vsEss.f, levelName(vsEss.level),
                    t.analysis.meter, t.analysis.confidence, vsAub.f, refs, ess.confidence, t.seconds, phase.share,
                    phase.steadiness);
        std::fflush(stdout);
        fEss.push_back(vsEss.f);
        fAubio.push_back(vsAub.f);
        fRefs.push_back(refs);
        conf.push_back(t.analysis.confidence);
        agreeing += agree;
        weakWhereSure += ess.confidence > 3.0 && vsEss.f < 0.5;
        ++count;
    }
    std::printf("\nreal songs: %d\n", count);
    std::printf("mean beat F against Essentia: %.3f   against aubio: %.3f   (Essentia against aubio: %.3f)\n",
                mean(fEss), mean(fAubio), mean(fRefs));
    std::printf("songs below F 0.5 where Essentia's confidence > 3: %d\n", weakWhereSure);
    std::printf("tempo agrees with either reference: %d of %d (%.0f %%)\n", agreeing, count,
                count ? 100.0 * agreeing / count : 0.0);
    std::printf("Spearman (our confidence, our F against Essentia): %.3f\n", spearman(conf, fEss));
}

// One song against a reference, window by window (the model sees 1488 new
// frames, 29.76 s, a window): where a song's F is low, whether the tempo,
// the phase or a few windows lose it.
int compareSong(const std::filesystem::path& folder, const char* song, const char* referenceFile)
{
    using namespace beat_scores;
    return withEngine(folder, [&](NeuralEngine& engine) {
        const Tracked t = trackMono(engine, readRawMono(song));
        const Reference ref = readReference(referenceFile);
        const std::vector<double> ours = beatTimes(t.analysis, false);
        std::printf("%s: %.1f BPM against %.1f, F %.3f, confidence %.3f\n", song, t.analysis.bpm,
                    medianTempo(ref.beats), bestLevelF(ours, ref.beats).f, t.analysis.confidence);
        std::printf("%8s %6s %6s %6s %6s %6s %6s\n", "from s", "ours", "ref", "F", "phase", "held", "conf");
        constexpr double span = 1488.0 / 50.0;
        for (double from = 0.0; from < t.seconds; from += span) {
            const auto within = [&](const std::vector<double>& x) {
                std::vector<double> out;
                for (const double v : x)
                    if (v >= from && v < from + span)
                        out.push_back(v);
                return out;
            };
            const std::vector<double> o = within(ours), r = within(ref.beats);
            double conf = 0.0;
            int n = 0;
            for (const Beat& b : t.analysis.beats)
                if (b.time >= from && b.time < from + span)
                    conf += b.confidence, ++n;
            const PhaseShare phase = phaseShare(o, r);
            std::printf("%8.1f %6.1f %6.1f %6.3f %+6.2f %6.2f %6.3f\n", from, medianTempo(o), medianTempo(r),
                        bestLevelF(o, r).f, phase.share, phase.steadiness, n ? conf / n : 0.0);
        }
    });
}

struct GeneratedCase {
    std::string name;
    SongShape shape;
};

const char* hatName(HatPattern h)
{
    switch (h) {
    case HatPattern::Quarter: return "quarter hats";
    case HatPattern::Eighth: return "eighth hats";
    case HatPattern::Sixteenth: return "sixteenth hats";
    case HatPattern::Swung: return "swung hats";
    case HatPattern::None: return "no hats";
    }
    return "";
}

// 4/4 and 3/4 at 60 to 180 BPM with every hat pattern (the hat-less ones over
// a syncopated bass), 6/8 at 50 to 120 dotted quarters a minute, and songs
// whose tempo drifts or whose bass plays 3 + 3 + 2.
std::vector<GeneratedCase> generatedCases()
{
    std::vector<GeneratedCase> cases;
    const auto add = [&](std::string name, SongShape shape) {
        shape.seconds = 60.0;
        cases.push_back({std::move(name), shape});
    };
    for (const int meter : {4, 3})
        for (const double bpm : {60.0, 72.0, 96.0, 120.0, 150.0, 180.0})
            for (const HatPattern hats :
                 {HatPattern::Quarter, HatPattern::Eighth, HatPattern::Sixteenth, HatPattern::Swung, HatPattern::None}) {
                SongShape s;
                s.meter = meter, s.bpm = bpm, s.hats = hats;
                s.bass = hats == HatPattern::None ? BassPattern::Syncopated : BassPattern::Downbeat;
                char name[80];
                std::snprintf(name, sizeof name, "%d/4 %3.0f %s%s", meter, bpm, hatName(hats),
                              hats == HatPattern::None ? ", synco bass" : "");
                add(name, s);
            }
    for (const double bpm : {50.0, 60.0, 72.0, 90.0, 120.0})
        for (const BassPattern bass : {BassPattern::Downbeat, BassPattern::Syncopated}) {
            SongShape s;
            s.meter = 2, s.bpm = bpm, s.compound = true, s.bass = bass;
            char name[80];
            std::snprintf(name, sizeof name, "6/8 %3.0f%s", bpm, bass == BassPattern::Syncopated ? ", synco bass" : "");
            add(name, s);
        }
    for (const double bpm : {80.0, 90.0, 110.0}) {
        SongShape s;
        s.bpm = bpm, s.bass = BassPattern::Tresillo;
        add("4/4 " + std::to_string(static_cast<int>(bpm)) + " 3+3+2 bass", s);
    }
    for (const auto& [meter, bpm] : {std::pair{4, 120.0}, std::pair{3, 100.0}, std::pair{4, 75.0}}) {
        SongShape s;
        s.meter = meter, s.bpm = bpm, s.drift = 0.03, s.hats = HatPattern::Eighth;
        add(std::to_string(meter) + "/4 " + std::to_string(static_cast<int>(bpm)) + " drift 3 %", s);
    }
    return cases;
}

void evaluateGenerated(NeuralEngine& engine)
{
    using namespace beat_scores;
    std::printf("\nGenerated songs: F at 70 ms at the song's own level; meter right (6/8: 2 or 4)\n");
    std::printf("%-36s %6s %6s %6s %5s %6s %6s %6s\n", "song", "bpm", "ours", "F", "meter", "bars F", "conf", "ms");
    std::vector<double> fs, bars;
    int meterRight = 0, good = 0;
    const std::vector<GeneratedCase> cases = generatedCases();
    for (const GeneratedCase& c : cases) {
        const SynthSong song = synthSong(c.shape);
        const Tracked t = trackMono(engine, analysisAudio(song.samples));
        std::vector<double> truth, trueBars;
        for (const GridBeat& g : song.beats) {
            truth.push_back(g.time);
            if (g.downbeat)
                trueBars.push_back(g.time);
        }
        const double f = fMeasure(beatTimes(t.analysis, false), truth);
        const double barF = fMeasure(beatTimes(t.analysis, true), trueBars);
        const int m = t.analysis.meter;
        const bool right = c.shape.compound ? (m == 2 || m == 4) : m == c.shape.meter;
        const double offsetMs = 1000.0 * meanOffset(beatTimes(t.analysis, false), truth);
        std::printf("%-36s %6.1f %6.1f %6.3f %4d%s %6.3f %6.3f %+6.1f\n", c.name.c_str(), c.shape.bpm, t.analysis.bpm, f,
                    m, right ? " " : "!", barF, t.analysis.confidence, offsetMs);
        std::fflush(stdout);
        fs.push_back(f);
        bars.push_back(barF);
        meterRight += right;
        good += right && f >= 0.95;
    }
    std::printf("\ngenerated songs: %zu   mean F %.3f   lowest F %.3f   meter right %d   F >= 0.95 with the right "
                "meter %d   mean downbeat F %.3f\n",
                cases.size(), mean(fs), fs.empty() ? 0.0 : *std::min_element(fs.begin(), fs.end()), meterRight, good,
                mean(bars));
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path here = std::filesystem::absolute(argv[0]).parent_path();
    if (argc > 2 && std::string(argv[1]) == "--track")
        return trackSongs(here, argc - 2, argv + 2);
    if (argc > 2 && std::string(argv[1]) == "--evaluate")
        return withEngine(here, [&](NeuralEngine& engine) {
            evaluateReal(engine, argv[2]);
            evaluateGenerated(engine);
        });
    if (argc == 4 && std::string(argv[1]) == "--compare")
        return compareSong(here, argv[2], argv[3]);
    if (argc > 2 && std::string(argv[1]) == "--evaluate-real")
        return withEngine(here, [&](NeuralEngine& engine) { evaluateReal(engine, argv[2]); });
    if (argc == 4 && std::string(argv[1]) == "--spectrogram") {
        const Spectrogram sp = logMelSpectrogram(readRawMono(argv[2]), [] {});
        std::ofstream(argv[3], std::ios::binary)
            .write(reinterpret_cast<const char*>(sp.values.data()),
                   static_cast<std::streamsize>(sp.values.size() * sizeof(float)));
        return 0;
    }
    if (argc > 1 && std::string(argv[1]) == "--generated")
        return withEngine(here, [&](NeuralEngine& engine) { evaluateGenerated(engine); });
    const double minutes = argc > 1 ? std::atof(argv[1]) : 4.0;
    const std::filesystem::path folder = std::filesystem::absolute(argv[0]).parent_path();
    const std::vector<float> audio = testAudio(minutes);

    double bestSpectrogram = 1e9;
    double bestCpu = 1e9;
    Spectrogram spectrogram;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        spectrogram = logMelSpectrogram(audio, [] {});
        bestSpectrogram = std::min(bestSpectrogram, secondsSince(start));
        bestCpu = std::min(bestCpu, cpuSecondsSince(cpuStart));
    }
    std::printf("spectrogram: %.1f min of audio, %llu frames, %.3f s wall (%.3f s per minute), %.3f s CPU "
                "(%.3f s per minute)\n",
                minutes, static_cast<unsigned long long>(spectrogram.frames), bestSpectrogram,
                bestSpectrogram / minutes, bestCpu, bestCpu / minutes);

    // On a thread of its own, as the analysis job runs it.
    int status = 0;
    std::thread job([&] {
        NeuralEngine engine;
        try {
            auto start = std::chrono::steady_clock::now();
            loadEngine(engine, folder);
            const double load = secondsSince(start);
            // The program runs a freshly loaded model once per song, so the
            // first run is the one a user waits for.
            double first = 0.0, best = 1e9;
            for (int round = 0; round < 3; ++round) {
                start = std::chrono::steady_clock::now();
                runBeatModel(engine, spectrogram, [] {}, [](int32_t, const std::string&) {});
                const double seconds = secondsSince(start);
                first = round == 0 ? seconds : first;
                best = std::min(best, seconds);
            }
            std::printf("engine load: %.3f s\ninference: %.3f s on the first run, then %.3f s (%.3f s per minute)\n",
                        load, first, best, best / minutes);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            status = 1;
        }
        releaseEngine(engine);
    });
    job.join();
    return status;
}
