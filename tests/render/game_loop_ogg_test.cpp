// "06-bucle-juego.ogg" decoded by the installed decoder (FFmpeg, a program
// of its own): its length, how close the loop is to "02-loop.wav", and
// whether the loop's seam clicks. Runs on both targets with their own
// encoder and decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/settings.h"
#include "audio/decoder.h"
#include "render/game_loop_ogg.h"
#include "render/wav_writer.h"
#include "render_fixture.h"
#include "support/run_program.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;

// 30 s of a chord swelling on every beat at 120 BPM. Every
// partial repeats within 16 s, so a loop of 16 s from a beat is seamless.
std::vector<float> chordSong()
{
    const int64_t frames = 30 * 48000;
    std::vector<float> pcm(size_t(2 * frames));
    const double partials[][2] = {{220.0, 0.30}, {277.1875, 0.22}, {330.0, 0.18}, {440.0, 0.08}, {660.0, 0.05}};
    for (int64_t n = 0; n < frames; ++n) {
        const double t = double(n) / 48000;
        const double beat = std::fmod(t, 0.5);
        // A 5 ms attack: the song itself must not click on the beat.
        const double envelope = 0.35 + 0.65 * std::min(1.0, beat / 0.005) * std::exp(-beat / 0.12);
        double left = 0, right = 0;
        for (const auto& [frequency, level] : partials) {
            left += level * std::sin(2 * kPi * frequency * t);
            right += level * std::sin(2 * kPi * frequency * t + 0.3);
        }
        pcm[size_t(2 * n)] = float(0.8 * envelope * left);
        pcm[size_t(2 * n + 1)] = float(0.8 * envelope * right);
    }
    return pcm;
}

// The data of a 24-bit stereo WAV as floats, read by hand.
std::vector<float> wav24(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> samples;
    for (size_t at = 44; at + 3 <= bytes.size(); at += 3) {
        const int32_t v = int32_t(uint32_t(bytes[at]) << 8 | uint32_t(bytes[at + 1]) << 16 |
                                  uint32_t(bytes[at + 2]) << 24) >> 8;
        samples.push_back(float(v / 8388607.0));
    }
    return samples;
}

// Largest step between neighbouring samples of one channel over frames
// first .. last - 1 (each step from frame n to n + 1 inside the range).
double largestStep(const std::vector<float>& pcm, int64_t first, int64_t last, int channel)
{
    double step = 0;
    for (int64_t n = first; n + 1 < last; ++n)
        step = std::max(step, double(std::fabs(pcm[size_t(2 * (n + 1) + channel)] - pcm[size_t(2 * n + channel)])));
    return step;
}

} // namespace

TEST(GameLoopOgg, DecodesToStartAndLoopWithoutAClickAtTheSeam)
{
    testsupport::TempFolder folder("game-ogg");
    const std::vector<float> song = chordSong();
    RenderPlan plan;
    prepareRender(plan, song, cutRecord(8, 24, 24), 0.06);
    const int64_t a = 384000, l = 768000;
    writeGameLoopOgg(folder.path / "06-bucle-juego.ogg", plan, [] {});
    writeWav(folder.path / "02-loop.wav", plan, {{SectionKind::Loop, 0, l}}, 24, [] {});

    const std::vector<float> decoded = decodeSong(folder.path / "06-bucle-juego.ogg", {installFolder(), folder.path}).audio;
    ASSERT_EQ(int64_t(decoded.size() / 2), a + l) << "decoded frames";

    const std::vector<float> loop = wav24(folder.path / "02-loop.wav");
    ASSERT_EQ(int64_t(loop.size()), 2 * l);
    double signal = 0, noise = 0;
    for (int64_t k = 0; k < 2 * l; ++k) {
        const double x = loop[size_t(k)], y = decoded[size_t(2 * a + k)];
        signal += x * x;
        noise += (y - x) * (y - x);
    }
    const double snr = 10 * std::log10(signal / noise);
    EXPECT_GE(snr, 30.0);

    // The loop's last 20 ms, then its first 20 ms, as a player jumping back
    // to LOOPSTART plays them.
    const int64_t window = 960;
    for (int c = 0; c < 2; ++c) {
        const double seam =
            std::fabs(decoded[size_t(2 * a + c)] - decoded[size_t(2 * (a + l - 1) + c)]);
        const double before = largestStep(decoded, a + l - window, a + l, c);
        const double after = largestStep(decoded, a, a + window, c);
        EXPECT_LE(seam, std::min(before, after)) << "channel " << c;
        std::printf("[ figures  ] channel %d: seam step %.6f, largest step 20 ms before %.6f, after %.6f\n", c, seam,
                    before, after);
    }
    std::printf("[ figures  ] decoded %lld frames (A + L = %lld), SNR against 02-loop.wav %.2f dB, %lld bytes\n",
                static_cast<long long>(decoded.size() / 2), static_cast<long long>(a + l), snr,
                static_cast<long long>(fs::file_size(folder.path / "06-bucle-juego.ogg")));
}
