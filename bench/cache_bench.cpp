// Times the song fingerprint and the analysis cache on the largest inputs
// they are meant for: a 100 MB song file and the largest valid cache file
// (6000 beats, 30000 connections, 16 loops).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "cache/analysis_cache.h"
#include "cache/song_fingerprint.h"
#include "platform/file_system.h"
#include "tests/cache/synthetic_analysis.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Analysis largestValidAnalysis()
{
    Analysis a = syntheticAnalysis(6000, 16);
    a.connections.resize(30000, a.connections.front());
    return a;
}

} // namespace

int main()
{
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tamrel-cache-bench-" + std::to_string(platform::currentProcessId()));
    std::filesystem::create_directories(folder);

    const auto song = folder / "song.bin";
    {
        std::vector<char> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 31 + 7);
        std::ofstream out(song, std::ios::binary);
        for (int i = 0; i < 100; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    songFingerprint(song, [] {});  // warm the page cache
    auto start = std::chrono::steady_clock::now();
    const int rounds = 5;
    for (int i = 0; i < rounds; ++i)
        songFingerprint(song, [] {});
    const double fingerprintSeconds = secondsSince(start) / rounds;
    std::printf("fingerprint of 100 MiB: %.1f ms (%.0f MiB/s)\n", fingerprintSeconds * 1e3,
                100.0 / fingerprintSeconds);

    const Analysis analysis = largestValidAnalysis();
    const auto audio = silentSong(kSyntheticSongFrames);
    const auto entry = folder / "analysis-v3" / "entry.bin";
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        writeCachedAnalysis(entry, audio, analysis);
    const double writeSeconds = secondsSince(start) / rounds;
    start = std::chrono::steady_clock::now();
    bool hit = true;
    for (int i = 0; i < 20; ++i) {
        Analysis out;
        hit = hit && readCachedAnalysis(entry, audio, out);
    }
    const double readSeconds = secondsSince(start) / 20;
    std::printf("largest valid cache file: %ju bytes, write %.1f ms, read and validate %.1f ms%s\n",
                static_cast<uintmax_t>(std::filesystem::file_size(entry)), writeSeconds * 1e3, readSeconds * 1e3,
                hit ? "" : " (REFUSED)");

    std::filesystem::remove_all(folder);
    return hit ? 0 : 1;
}
