// Times every stage of the analysis of a synthetic song of 4 and 20 minutes,
// next to the bare decoder run that produces the analysis input from the same
// song, and the connection search on the largest beat count the cache allows.
//
//   bench_analysis [seconds ...]     (default: 240 1200)
//
// Runs from the folder that holds the decoder, the runtime and the model
// (tests-bin/ of a build tree).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "analysis/analysis_steps.h"
#include "analysis/beat_connections.h"
#include "analysis/beat_decoding.h"
#include "analysis/beat_descriptors.h"
#include "analysis/beat_model.h"
#include "analysis/loop_search.h"
#include "analysis/neural_engine.h"
#include "analysis/spectrogram.h"
#include "base/byte_io.h"
#include "bench/bare_decoder.h"
#include "tests/analysis/drum_song.h"

namespace fs = std::filesystem;

namespace {

double secondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// 16-bit PCM stereo at 48 kHz: the plainest input the decoder can get.
void writeWav(const fs::path& path, const std::vector<float>& stereo)
{
    const uint32_t dataBytes = static_cast<uint32_t>(stereo.size() * 2);
    std::string header = "RIFF";
    appendLe32(header, 36 + dataBytes);
    header += "WAVEfmt ";
    appendLe32(header, 16);
    appendLe16(header, 1);
    appendLe16(header, 2);
    appendLe32(header, 48000);
    appendLe32(header, 48000 * 4);
    appendLe16(header, 4);
    appendLe16(header, 16);
    header += "data";
    appendLe32(header, dataBytes);
    std::ofstream out(path, std::ios::binary);
    out << header;
    std::vector<char> bytes(stereo.size() * 2);
    for (size_t n = 0; n < stereo.size(); ++n) {
        const float clipped = std::max(-1.0f, std::min(1.0f, stereo[n]));
        const auto v = static_cast<uint16_t>(static_cast<int16_t>(std::lround(clipped * 32767.0f)));
        bytes[2 * n] = static_cast<char>(v & 0xFF);
        bytes[2 * n + 1] = static_cast<char>(v >> 8);
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string quoted(const fs::path& path)
{
    std::string text = "\"";
    text.append(path.string());
    text.append("\"");
    return text;
}

std::string joined(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const std::string& part : parts)
        text.append(part);
    return text;
}

// The Windows command interpreter drops the first and the last quote of a
// command that starts with one; an outer pair keeps the inner ones intact.
int runShell(const fs::path& decoder, const std::string& command)
{
    const bool windowsShell = decoder.extension() == ".exe";
    return std::system(windowsShell ? joined({"\"", command, "\""}).c_str() : command.c_str());
}

bool encodeMp3(const fs::path& decoder, const fs::path& wav, const fs::path& mp3)
{
    const std::string command = joined({quoted(decoder), " -hide_banner -loglevel error -nostdin -y -i ", quoted(wav),
                                        " -c:a libmp3lame -b:a 192k ", quoted(mp3)});
    return runShell(decoder, command) == 0;
}

void benchSong(const fs::path& install, double seconds)
{
    std::printf("\n== %.0f s synthetic song (120 BPM, 4/4) ==\n", seconds);
    const DrumSong song = makeDrumSong(seconds);
    const double duration = static_cast<double>(song.stereo.size()) * 0.5 / 48000.0;
    const TickFn tick = [] {};
    const ProgressFn progress = [](int32_t, const std::string&) {};

    Spectrogram spectrogram;
    NeuralEngine engine;
    Activations activations;
    Analysis analysis;
    const double tSpectrogram = secondsOf([&] { spectrogram = logMelSpectrogram(song.mono, tick); });
    const double tLoad = secondsOf([&] { loadEngine(engine, install); });
    const double tInference = secondsOf([&] { activations = runBeatModel(engine, spectrogram, tick, progress); });
    releaseEngine(engine);
    const double tDecode = secondsOf([&] {
        gateSilence(activations, song.mono);
        DecodedBeats decoded = decodeBeats(activations.beat, activations.downbeat, duration);
        analysis.meter = decoded.meter;
        analysis.beats = std::move(decoded.beats);
        songTempo(analysis);
    });
    const double tDescriptors = secondsOf([&] { describeBeats(song.mono, spectrogram, analysis, tick); });
    const double tConnections = secondsOf([&] { findConnections(analysis, tick); });
    const double tLoops = secondsOf([&] { findLoops(analysis, duration, tick); });
    std::vector<float> overview;
    const double tOverview = secondsOf([&] { overview = peakOverview(song.stereo, tick); });

    std::printf("beats %zu, meter %d, %.1f BPM, connections %zu, loops %zu\n", analysis.beats.size(), analysis.meter,
                analysis.bpm, analysis.connections.size(), analysis.loops.size());
    std::printf("%-28s %9.3f s\n", "overview pass", tOverview);
    std::printf("%-28s %9.3f s\n", "spectrogram", tSpectrogram);
    std::printf("%-28s %9.3f s\n", "engine load", tLoad);
    std::printf("%-28s %9.3f s  (stand-in model)\n", "inference", tInference);
    std::printf("%-28s %9.3f s\n", "gate + decode + tempo", tDecode);
    std::printf("%-28s %9.3f s\n", "descriptors", tDescriptors);
    std::printf("%-28s %9.3f s\n", "connections", tConnections);
    std::printf("%-28s %9.3f s\n", "loops", tLoops);
    const double withoutInference = tOverview + tSpectrogram + tLoad + tDecode + tDescriptors + tConnections + tLoops;
    std::printf("%-28s %9.3f s\n", "all but inference", withoutInference);

    const fs::path work = fs::temp_directory_path() / "tamrel-analysis-bench";
    fs::create_directories(work);
    const fs::path decoder = install / (fs::exists(install / "ffmpeg.exe") ? "ffmpeg.exe" : "ffmpeg");
    const fs::path wav = work / "song.wav";
    const fs::path mp3 = work / "song.mp3";
    writeWav(wav, song.stereo);
    const auto report = [&](const char* name, double decoderSeconds) {
        if (decoderSeconds < 0.0)
            std::printf("%-28s failed\n", name);
        else
            std::printf("%-28s %9.3f s  -> all but inference = %.1f %% of it\n", name, decoderSeconds,
                        100.0 * withoutInference / decoderSeconds);
    };
    report("decoder, 16-bit WAV input", bareDecoderSeconds(install, wav, work));
    if (encodeMp3(decoder, wav, mp3))
        report("decoder, 192 kb/s MP3 input", bareDecoderSeconds(install, mp3, work));
    std::error_code ignored;
    fs::remove_all(work, ignored);
}

// 6000 beats whose descriptors repeat every 16 beats with a little noise:
// every beat passes the gates, and every same-position pair gets scored. In
// 2/4 half of all pairs share a bar position, the most any meter allows.
void benchConnections(int meter)
{
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0.0, 0.05);
    Analysis a;
    for (int k = 0; k < 6000; ++k) {
        Beat b;
        b.time = 0.2 * k;
        b.duration = 0.2;
        b.bpm = 300.0 * (1.0 + 0.002 * noise(random));
        b.confidence = 0.9f;
        b.loudness = -20.0f;
        b.phase = k % meter;
        for (int n = 0; n < 12; ++n) {
            b.chroma[n] = 1.0 + ((n * 7 + k % 16) % 12 == 0 ? 3.0 : 0.0) + noise(random);
            b.mfcc[n] = (n == k % 12 ? 0.5 : 0.0) + noise(random);
        }
        a.beats.push_back(b);
    }
    const double t = secondsOf([&] { findConnections(a, [] {}); });
    std::printf("\n== findConnections on 6000 beats, %d beats per bar ==\n%-28s %9.3f s  (%zu connections)\n", meter,
                "connections", t, a.connections.size());
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path install = fs::absolute(fs::path(argv[0])).parent_path();
    std::vector<double> lengths;
    for (int i = 1; i < argc; ++i)
        lengths.push_back(std::atof(argv[i]));
    if (lengths.empty())
        lengths = {240.0, 1200.0};
    try {
        for (const double seconds : lengths)
            benchSong(install, seconds);
        benchConnections(4);
        benchConnections(2);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
