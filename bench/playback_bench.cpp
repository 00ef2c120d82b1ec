// The audio thread's rendering cost: filling one 2048-frame buffer in each
// playback mode, against the 42.7 ms the buffer lasts, plus what a start
// costs before the first buffer (the level scan, the connection index).
// Explore runs on an ordinary analysis and on the densest one the cache
// accepts (6000 beats and 30 000 connections in a 20 s song).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "playback/audio_thread.h"
#include "bench/synthetic_song.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr double kBufferSeconds = 2048.0 / 48000.0;

// Evenly spaced beats, each with `perBeat` connections forwards and back.
Analysis gridAnalysis(int64_t frames, int beats, int perBeat)
{
    Analysis a;
    const double seconds = static_cast<double>(frames) / 48000.0;
    const double spacing = seconds / beats;
    for (int i = 0; i < beats; ++i) {
        Beat b;
        b.time = spacing * i;
        b.duration = i + 1 < beats ? spacing : seconds - b.time;
        a.beats.push_back(b);
    }
    for (int from = 0; from < beats; ++from)
        for (int k = 0; k < perBeat; ++k)
            a.connections.push_back({from, (from * 31 + k * 97 + 11) % beats, 1.0f - 0.05f * static_cast<float>(k),
                                     0.0f, 0.0f});
    return a;
}

// A device that takes every buffer at once, so only the rendering is timed.
platform::AudioOutput nullOutput()
{
    platform::AudioOutput out;
    out.queue = [](int, const int16_t*, uint32_t) {};
    return out;
}

struct Figures {
    double start = 0.0;   // s
    double median = 0.0;  // s per buffer
    double p99 = 0.0;     // s
    double slowest = 0.0; // s; on a shared machine mostly time the thread was not running
    double cpu = 0.0;     // s per buffer, processor time (where the C library's clock measures it)
};

Figures measure(PlaybackMode mode, const std::vector<float>& pcm, const Analysis& analysis, const Loop& cuts,
                double fadeSeconds, double startSeconds, int buffers)
{
    Figures f;
    const auto begin = Clock::now();
    PlaybackCursor cursor = startCursor(mode, cuts, fadeSeconds, startSeconds, pcm, analysis);
    f.start = std::chrono::duration<double>(Clock::now() - begin).count();

    platform::AudioOutput out = nullOutput();
    std::atomic<bool> stop{false};
    OutputBuffer buffer;
    std::vector<double> times;
    const std::clock_t cpuStart = std::clock();
    for (int filled = 0; filled < buffers && !cursor.ended; ++filled) {
        const auto t0 = Clock::now();
        fillBuffer(cursor, buffer, 0, out, stop);
        times.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    f.cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC / static_cast<double>(times.size());
    std::sort(times.begin(), times.end());
    f.median = times[times.size() / 2];
    f.p99 = times[times.size() * 99 / 100];
    f.slowest = times.back();
    return f;
}

void report(const char* name, const Figures& f)
{
    auto share = [](double t) { return 100.0 * t / kBufferSeconds; };
    std::printf("%-34s median %6.1f us %6.3f %%   cpu %6.1f us %6.3f %%   p99 %7.1f us   slowest %8.1f us   "
                "start %6.1f ms\n",
                name, f.median * 1e6, share(f.median), f.cpu * 1e6, share(f.cpu), f.p99 * 1e6, f.slowest * 1e6,
                f.start * 1e3);
}

} // namespace

int main()
{
    const int64_t longSong = int64_t(20) * 60 * 48000;  // the longest song the program opens
    const std::vector<float> pcm = syntheticSong(longSong);
    const Analysis none;
    const Analysis ordinary = gridAnalysis(longSong, 2400, 5);  // 120 BPM
    const std::vector<float> shortPcm = syntheticSong(int64_t(20) * 48000);
    const Analysis dense = gridAnalysis(int64_t(20) * 48000, 6000, 5);
    // A loop that is half tail fade: the most faded frames per buffer.
    const Loop tightLoop = cutRecord(60.0, 60.5, 120.0);
    const Loop wideLoop = cutRecord(60.0, 180.0, 420.0);
    const int buffers = 3000;  // about two minutes of sound per mode

    std::printf("filling one 2048-frame buffer (%.1f ms of sound), as a share of its duration; start: before the "
                "first buffer, 20-minute song\n",
                kBufferSeconds * 1e3);
    report("Original", measure(PlaybackMode::Original, pcm, none, Loop{}, 0.0, 30.0, buffers));
    report("Loop (120 s loop)", measure(PlaybackMode::Loop, pcm, none, wideLoop, 0.06, 0.0, buffers));
    report("Loop (0.5 s loop, 250 ms fade)", measure(PlaybackMode::Loop, pcm, none, tightLoop, 0.25, 0.0, buffers));
    report("JoinTest (6 x 3 s)", measure(PlaybackMode::JoinTest, pcm, none, wideLoop, 0.06, 60.0, buffers));
    report("Explore (2400 beats, 12000 conn.)",
           measure(PlaybackMode::Explore, pcm, ordinary, Loop{}, 0.0, 30.0, buffers));
    report("Explore (6000 beats in 20 s)", measure(PlaybackMode::Explore, shortPcm, dense, Loop{}, 0.0, 1.0, buffers));
    return 0;
}
