// The song loading job's cost on a cache miss and on a cache hit, next to
// the bare decoder command and the fingerprint on the same file.
//   bench_load            a generated 4-minute song (120 BPM, 4/4)
//   bench_load SONG       any song file
// Run it from the folder that holds the decoder, runtime and model (tests-bin).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/settings.h"
#include "base/utf.h"
#include "bench/bare_decoder.h"
#include "audio/decoder.h"
#include "cache/song_fingerprint.h"
#include "cache/song_loading.h"
#include "tools/demo_song/song_synth.h"

namespace fs = std::filesystem;

namespace {

template <class F>
double secondsOf(F&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median3(const std::function<double()>& run)
{
    double a = run(), b = run(), c = run();
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path root = fs::temp_directory_path() / "tamrel-bench-load";
    fs::remove_all(root);
    fs::create_directories(root / "work");
    const SongLoadFolders where{installFolder(), root / "work", root / "cache"};

    fs::path song;
    if (argc > 1) {
        song = pathFromUtf8(argv[1]);
    } else {
        SongShape shape;
        shape.seconds = 240.0;
        shape.bpm = 120.0;
        shape.meter = 4;
        shape.arranged = false;
        song = root / "bench-song.wav";
        writeSongWav(song, synthSong(shape));
    }
    std::printf("song: %s\n", pathToUtf8(song).c_str());

    const TickFn tick = [] {};
    const ProgressFn progress = [](int32_t, const std::string&) {};
    std::vector<float> audio;
    Analysis analysis;
    // Held for the whole run, as the program holds it: the first load identifies the model.
    std::optional<InstalledModel> model;
    const auto load = [&] { loadSong(song, where, model, tick, progress, audio, analysis); };

    const double bare = median3([&] { return bareDecoderSeconds(where.installFolder, song, root / "work"); });
    const double fingerprint = median3([&] { return secondsOf([&] { songFingerprint(song, tick); }); });
    const double decode = median3([&] {
        return secondsOf([&] {
            decodeSong(song, {where.installFolder, where.workFolder});
        });
    });
    const double miss = median3([&] {
        fs::remove_all(where.cacheFolder);
        return secondsOf(load);
    });
    const double hit = median3([&] { return secondsOf(load); });

    std::printf("  %-34s %8.3f s\n", "bare decoder command", bare);
    std::printf("  %-34s %8.3f s\n", "decodeSong (supervised, read back)", decode);
    std::printf("  %-34s %8.3f s\n", "fingerprint", fingerprint);
    std::printf("  %-34s %8.3f s\n", "load, cache miss (full analysis)", miss);
    std::printf("  %-34s %8.3f s  (%.2f x bare decoder + fingerprint)\n", "load, cache hit", hit,
                hit / (bare + fingerprint));
    std::printf("  (median of 3 runs each; %zu beats, %zu loops)\n", analysis.beats.size(), analysis.loops.size());
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
