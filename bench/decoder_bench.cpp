// Times one decoder run per song (both outputs read back) and the delay from
// setting the cancel flag to decodeSong giving up.
// Usage: bench_decoder [song...]   (without songs: a generated 3-minute WAV and MP3)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/cancel.h"
#include "app/settings.h"
#include "audio/decoder.h"
#include "base/byte_io.h"
#include "platform/child_process.h"
#include "platform/file_system.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// 48 kHz 16-bit stereo: a slowly swept tone, so lossy encoders have work to do.
void writeWav(const std::filesystem::path& path, uint64_t frames, uint16_t channels, uint16_t bits)
{
    const uint32_t align = channels * bits / 8;
    std::string data;
    data.reserve(static_cast<size_t>(frames * align));
    for (uint64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 48000;
        const double v = 0.3 * std::sin(6.283185307 * (220 + 20 * t) * t);
        for (uint16_t c = 0; c < channels; ++c) {
            if (bits == 8) data.push_back(static_cast<char>(128 + static_cast<int>(v * 100)));
            else appendLe16(data, static_cast<uint16_t>(static_cast<int16_t>(v * 32767)));
        }
    }
    std::string header = "RIFF";
    appendLe32(header, static_cast<uint32_t>(36 + data.size()));
    header += "WAVEfmt ";
    appendLe32(header, 16);
    appendLe16(header, 1);
    appendLe16(header, channels);
    appendLe32(header, 48000);
    appendLe32(header, 48000 * align);
    appendLe16(header, align);
    appendLe16(header, bits);
    header += "data";
    appendLe32(header, static_cast<uint32_t>(data.size()));
    std::ofstream(path, std::ios::binary) << header << data;
}

bool encode(const std::filesystem::path& source, const std::filesystem::path& target, const std::filesystem::path& work)
{
    const auto decoder = installFolder() / decoderFileName();
    platform::ChildLaunch launch;
    launch.program = decoder;
    for (const std::filesystem::path& arg : {decoder, std::filesystem::path("-loglevel"), std::filesystem::path("error"),
                                            std::filesystem::path("-i"), source, target}) {
        launch.arguments.push_back(arg.native());
    }
    launch.workingFolder = work;
    launch.standardOutput = work / "encode.out";
    launch.standardError = work / "encode.err";
    platform::ChildProcess child = platform::startChildProcess(launch);
    if (child.status != platform::StartStatus::Started) return false;
    platform::waitForChild(child, 600000);
    return platform::finishChild(child, 5000) == 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const auto root = std::filesystem::temp_directory_path() /
                      ("tamrel-bench-decoder-" + std::to_string(platform::currentProcessId()));
    std::filesystem::create_directories(root / "work");
    const DecoderRun run{installFolder(), root / "work"};

    std::vector<std::filesystem::path> songs(argv + 1, argv + argc);
    if (songs.empty()) {
        writeWav(root / "song.wav", 180ull * 48000, 2, 16);
        encode(root / "song.wav", root / "song.mp3", run.workFolder);
        songs = {root / "song.wav", root / "song.mp3"};
    }
    for (const auto& song : songs) {
        std::vector<double> runs;
        size_t frames = 0;
        for (int i = 0; i < 3; ++i) {
            const auto start = Clock::now();
            frames = decodeSong(song, run).audio.size() / 2;
            runs.push_back(msSince(start));
        }
        std::printf("decode %-40s %8.1f s of audio  median %7.1f ms  (3 runs)\n", song.filename().string().c_str(),
                    frames / 48000.0, median(runs));
    }

    // Cancellation: a long song, the flag set while the decoder works.
    writeWav(root / "long.wav", 1200ull * 48000, 1, 8);
    std::vector<double> delays;
    for (int i = 0; i < 7; ++i) {
        cancelFlag = false;
        Clock::time_point setAt;
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(150 + 37 * i));
            setAt = Clock::now();
            cancelFlag = true;
        });
        try {
            decodeSong(root / "long.wav", run);
        } catch (const std::runtime_error&) {
        }
        const auto end = Clock::now();
        canceller.join();
        delays.push_back(std::chrono::duration<double, std::milli>(end - setAt).count());
    }
    cancelFlag = false;
    std::printf("cancel latency: median %.1f ms, max %.1f ms (%zu runs)\n", median(delays),
                *std::max_element(delays.begin(), delays.end()), delays.size());
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}
