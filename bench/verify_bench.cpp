// Wall time of each stage of the headless pipeline on one song, and the peak
// resident memory, next to the bare decoder command on the same file (the
// decode and the bare command: medians of three runs taken in turns).
//   bench_verify            a generated 4-minute song (120 BPM, 4/4)
//   bench_verify SONG       any song file
// Run it from the folder that holds the decoder, runtime and model (tests-bin).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/analysis_driver.h"
#include "base/cancel.h"
#include "app/settings.h"
#include "base/utf.h"
#include "audio/decoder.h"
#include "bench/bare_decoder.h"
#include "bench/process_memory.h"
#include "render/export_package.h"
#include "tools/demo_song/song_synth.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double megabytes(uint64_t bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// Stage boundaries from the driver's fixed progress percentages.
struct StageClock {
    Clock::time_point start = Clock::now();
    std::map<int32_t, double> firstSeen;  // percentage -> seconds since start

    void mark(int32_t percent)
    {
        firstSeen.emplace(percent, secondsSince(start));
    }
    double between(int32_t from, int32_t to) const
    {
        const auto a = firstSeen.find(from), b = firstSeen.find(to);
        return a == firstSeen.end() || b == firstSeen.end() ? -1.0 : b->second - a->second;
    }
};

void row(const char* stage, double seconds)
{
    if (seconds < 0)
        std::printf("  %-34s %10s\n", stage, "-");
    else
        std::printf("  %-34s %10.3f s\n", stage, seconds);
}

int run(int argc, char** argv, Folders& folders)
{
    loadSettings(folders);
    const fs::path scratch = folders.workFolder / "bench";
    fs::create_directories(scratch);

    fs::path song;
    if (argc > 1) {
        song = pathFromUtf8(argv[1]);
    } else {
        SongShape shape;
        shape.seconds = 240.0;
        shape.bpm = 120.0;
        shape.meter = 4;
        song = scratch / "bench-song.wav";
        writeSongWav(song, synthSong(shape));
    }
    std::printf("song: %s\n", pathToUtf8(song).c_str());

    // Three bare runs and three loads, taken in turns so that both see the
    // same machine; the medians are compared.
    std::vector<double> bareRuns, decodeRuns;
    DecodedSong decoded;
    for (int round = 0; round < 3; ++round) {
        bareRuns.push_back(bareDecoderSeconds(installFolder(), song, scratch));
        decoded = {};
        const Clock::time_point start = Clock::now();
        decoded = decodeSong(song, {installFolder(), folders.workFolder});
        decodeRuns.push_back(secondsSince(start));
    }
    const double bare = median(bareRuns);
    const double decode = median(decodeRuns);
    const std::vector<float> audio = std::move(decoded.audio);
    const std::vector<float> mono = std::move(decoded.analysisAudio);
    const uint64_t afterDecode = bench::peakResidentBytes();

    StageClock stages;
    const ProgressFn progress = [&](int32_t percent, const std::string&) { stages.mark(percent); };
    const Analysis analysis = analyseSong(audio, mono, installFolder(), checkCancel, progress);
    stages.mark(1000);  // returned
    const uint64_t afterAnalysis = bench::peakResidentBytes();

    double exportSeconds = -1;
    uint64_t packageBytes = 0;
    if (!analysis.loops.empty()) {
        const Clock::time_point start = Clock::now();
        const fs::path package =
            exportPackage(audio, analysis, analysis.loops[0], 0.06, 2, scratch / "salida", song);
        exportSeconds = secondsSince(start);
        for (const auto& entry : fs::directory_iterator(package))
            packageBytes += entry.file_size();
        fs::remove_all(package);
    }
    const uint64_t peak = bench::peakResidentBytes();

    std::printf("duration %.1f s, %zu beats, %zu connections, %zu loops, %.2f BPM\n",
                static_cast<double>(audio.size()) / 2.0 / 48000.0, analysis.beats.size(),
                analysis.connections.size(), analysis.loops.size(), analysis.bpm);
    row("bare decoder command", bare);
    row("decode (decodeSong + mono read)", decode);
    std::printf("  (medians of 3 in turns; decode / bare %.2f x)\n", decode / bare);
    row("spectrogram", stages.between(6, 12));
    row("inference (engine, model, beats)", stages.between(12, 78));
    // Every analysis loads the runtime and the model, then runs its windows.
    row("  loading runtime and model", stages.between(12, 15));
    row("  model windows and beats", stages.between(15, 78));
    std::printf("  (model windows and beats / decode %.1f %%)\n", 100.0 * stages.between(15, 78) / decode);
    row("descriptors", stages.between(78, 85));
    row("connections", stages.between(85, 95));
    row("loops", stages.between(95, 100));
    row("export package", exportSeconds);
    std::printf("  (package of %.1f MiB)\n", megabytes(packageBytes));
    std::printf("peak resident memory: %.1f MiB after decode, %.1f MiB after analysis, %.1f MiB at the end\n",
                megabytes(afterDecode), megabytes(afterAnalysis), megabytes(peak));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int code = 1;
    Folders folders;
    try {
        code = run(argc, argv, folders);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_verify: %s\n", e.what());
    }
    std::error_code ignored;
    if (!folders.workFolder.empty())
        fs::remove_all(folders.workFolder, ignored);
    return code;
}
