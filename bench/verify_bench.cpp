// Wall time of each stage of the headless pipeline on one song, and the peak
// resident memory, next to the bare decoder command on the same file.
//   bench_verify            a generated 4-minute song (120 BPM, 4/4)
//   bench_verify SONG       any song file
// Run it from the folder that holds the decoder, runtime and model (tests-bin).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "analysis/analysis_driver.h"
#include "app/cancel.h"
#include "app/current_song.h"
#include "app/settings.h"
#include "app/utf.h"
#include "audio/decoder.h"
#include "platform/process_memory.h"
#include "render/export_package.h"
#include "tools/demo_song/song_synth.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double megabytes(uint64_t bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

std::string quoted(const fs::path& path)
{
    return utf16ToUtf8(quoteArgument(utf8ToUtf16(pathToUtf8(path))));
}

// The decoder's own command line, outputs to files, through the shell. The
// leading "cd . &&" keeps the Windows shell from stripping the first quote.
double bareDecoderSeconds(const fs::path& song, const fs::path& scratch)
{
    fs::path decoder = installFolder() / "ffmpeg.exe";
    if (!fs::exists(decoder))
        decoder = installFolder() / "ffmpeg";
    const std::string command =
        "cd . && " + quoted(decoder) +
        " -hide_banner -loglevel error -nostdin -threads 1 -filter_threads 1 -protocol_whitelist file,pipe -i " +
        quoted(song) +
        " -map 0:a:0 -vn -sn -dn -t 1200.02 -ac 2 -ar 48000 -f f32le -c:a pcm_f32le pipe:1 -map 0:a:0 -vn -sn -dn"
        " -t 1200.02 -ac 1 -ar 22050 -af aresample=filter_size=64:phase_shift=10 -f f32le -c:a pcm_f32le -y " +
        quoted(scratch / "mono.f32") + " > " + quoted(scratch / "decoded.f32") + " 2> " +
        quoted(scratch / "decoder.log");
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("the bare decoder command failed");
    const double seconds = secondsSince(start);
    fs::remove(scratch / "mono.f32");
    fs::remove(scratch / "decoded.f32");
    fs::remove(scratch / "decoder.log");
    return seconds;
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

int run(int argc, char** argv)
{
    loadSettings();
    const fs::path scratch = workFolder / "bench";
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

    const double bare = bareDecoderSeconds(song, scratch);

    Clock::time_point start = Clock::now();
    const std::vector<float> audio = decodeSong(song);
    const std::vector<float> mono = readAnalysisAudio();
    const double decode = secondsSince(start);
    const uint64_t afterDecode = platform::peakResidentBytes();

    StageClock stages;
    const ProgressFn progress = [&](int32_t percent, const std::string&) { stages.mark(percent); };
    currentAnalysis = analyseSong(audio, mono, installFolder(), checkCancel, progress);
    stages.mark(1000);  // returned
    const uint64_t afterAnalysis = platform::peakResidentBytes();

    double exportSeconds = -1;
    uint64_t packageBytes = 0;
    if (!currentAnalysis.loops.empty()) {
        start = Clock::now();
        const fs::path package =
            exportPackage(audio, currentAnalysis.loops[0], 0.06, 2, scratch / "salida", song);
        exportSeconds = secondsSince(start);
        for (const auto& entry : fs::directory_iterator(package))
            packageBytes += entry.file_size();
        fs::remove_all(package);
    }
    const uint64_t peak = platform::peakResidentBytes();

    std::printf("duration %.1f s, %zu beats, %zu connections, %zu loops, %.2f BPM\n",
                static_cast<double>(audio.size()) / 2.0 / 48000.0, currentAnalysis.beats.size(),
                currentAnalysis.connections.size(), currentAnalysis.loops.size(), currentAnalysis.bpm);
    row("bare decoder command", bare);
    row("decode (decodeSong + mono read)", decode);
    row("spectrogram", stages.between(6, 12));
    row("inference (engine, model, beats)", stages.between(12, 78));
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
    try {
        code = run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_verify: %s\n", e.what());
    }
    std::error_code ignored;
    if (!workFolder.empty())
        fs::remove_all(workFolder, ignored);
    return code;
}
