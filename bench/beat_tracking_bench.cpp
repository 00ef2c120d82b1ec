// Time of the beat-tracking front end per minute of audio: the log-mel
// spectrogram, and windowed inference with the installed beat model.
// Usage: bench_beat_tracking [minutes]   (the model and runtime are taken
// from the folder of this executable, as the program takes them from its own).
//        bench_beat_tracking --track SONG.f32 ...   tempo, meter and confidence
// of songs given as raw 32-bit float mono at 22 050 Hz (ffmpeg -ac 1 -ar 22050 -f f32le).
#include <chrono>
#include <cmath>
#include <ctime>
#include <numbers>
#include <cstdio>
#include <cstdlib>
#include <exception>
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

// The beat path of the analysis on each song: spectrogram, model, silence
// gate, decoding and the song tempo.
int trackSongs(const std::filesystem::path& folder, int count, char** paths)
{
    int status = 0;
    std::thread job([&] {
        NeuralEngine engine;
        try {
            loadEngine(engine, folder);
            for (int i = 0; i < count; ++i) {
                const std::vector<float> mono = readRawMono(paths[i]);
                const Spectrogram spectrogram = logMelSpectrogram(mono, [] {});
                Activations a = runBeatModel(engine, spectrogram, [] {}, [](int32_t, const std::string&) {});
                gateSilence(a, mono);
                const double duration = static_cast<double>(mono.size()) / 22050.0;
                DecodedBeats decoded = decodeBeats(a.beat, a.downbeat, duration);
                Analysis analysis;
                analysis.meter = decoded.meter;
                analysis.beats = std::move(decoded.beats);
                songTempo(analysis);
                std::printf("%-40s %7.1f s  %6.1f BPM (%.1f-%.1f)  meter %d  confidence %.3f  %zu beats\n",
                            std::filesystem::path(paths[i]).filename().string().c_str(), duration, analysis.bpm,
                            analysis.bpmLow, analysis.bpmHigh, analysis.meter, analysis.confidence,
                            analysis.beats.size());
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            status = 1;
        }
        releaseEngine(engine);
    });
    job.join();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::string(argv[1]) == "--track")
        return trackSongs(std::filesystem::absolute(argv[0]).parent_path(), argc - 2, argv + 2);
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
            double best = 1e9;
            for (int round = 0; round < 3; ++round) {
                start = std::chrono::steady_clock::now();
                runBeatModel(engine, spectrogram, [] {}, [](int32_t, const std::string&) {});
                best = std::min(best, secondsSince(start));
            }
            std::printf("engine load: %.3f s\ninference: %.3f s, %.3f s per minute\n", load, best, best / minutes);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            status = 1;
        }
        releaseEngine(engine);
    });
    job.join();
    return status;
}
