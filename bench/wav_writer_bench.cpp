// Writes the 24-bit montage (N = 4) of a synthetic 10-minute song and compares
// it with writing the same number of bytes from a ready buffer, so the ratio
// shows what rendering and conversion add on top of the file system.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "render/wav_writer.h"
#include "bench/synthetic_song.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 5;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Writes totalBytes of a ready buffer: the first write of firstBytes, the rest
// in pieces of chunkBytes.
double plainWrite(const fs::path& path, uint64_t totalBytes, uint64_t firstBytes, uint64_t chunkBytes)
{
    std::vector<char> buffer(32768, 0x11);
    const auto start = Clock::now();
    std::ofstream file;
    file.rdbuf()->pubsetbuf(nullptr, 0);
    file.open(path, std::ios::binary | std::ios::trunc);
    file.write(buffer.data(), static_cast<std::streamsize>(firstBytes));
    for (uint64_t done = firstBytes; done < totalBytes;) {
        const uint64_t n = std::min<uint64_t>(chunkBytes, totalBytes - done);
        file.write(buffer.data(), static_cast<std::streamsize>(n));
        done += n;
    }
    file.close();
    return secondsSince(start);
}

} // namespace

int main()
{
    const std::vector<float> pcm = syntheticSong(int64_t(600) * 48000);
    RenderPlan plan;
    prepareRender(plan, pcm, cutRecord(60.0, 180.0, 420.0), 0.06);
    const std::vector<Segment> segments = montageSegments(plan, 4);
    int64_t frames = 0;
    for (const Segment& s : segments)
        frames += s.count;
    const uint64_t fileBytes = 44 + static_cast<uint64_t>(frames) * 6;

    const fs::path path = fs::temp_directory_path() / "tamrel-bench-montage.wav";
    // Same writes as the WAV file (44-byte header, then 4096-frame blocks of
    // 24 576 bytes, each starting 44 bytes past a page boundary), and plain
    // page-aligned 32 KiB writes.
    double render = 1e9, sameWrites = 1e9, aligned = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        writeWav(path, plan, segments, 24, [] {});
        render = std::min(render, secondsSince(start));
        sameWrites = std::min(sameWrites, plainWrite(path, fileBytes, 44, 24576));
        aligned = std::min(aligned, plainWrite(path, fileBytes, 32768, 32768));
    }
    fs::remove(path);

    const double megabytes = static_cast<double>(fileBytes) / 1e6;
    std::printf("montage: %lld frames, %.1f MB, gain %.4f, best of %d runs\n", static_cast<long long>(frames),
                megabytes, static_cast<double>(plan.gain), kRuns);
    std::printf("writeWav 24-bit:                   %.3f s  %5.0f MB/s\n", render, megabytes / render);
    std::printf("ready buffer, same writes:         %.3f s  %5.0f MB/s  ratio %.2f\n", sameWrites,
                megabytes / sameWrites, render / sameWrites);
    std::printf("ready buffer, aligned 32 KiB:      %.3f s  %5.0f MB/s  ratio %.2f\n", aligned,
                megabytes / aligned, render / aligned);
    return 0;
}
