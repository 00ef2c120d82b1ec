#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>

#include "analysis/mel_filters.h"
#include "analysis/spectrogram.h"

namespace {

const TickFn kNoTick = [] {};

std::string errorOf(std::span<const float> samples)
{
    try {
        logMelSpectrogram(samples, kNoTick);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

std::vector<float> tone(size_t n, double hz, double amplitude = 0.5)
{
    std::vector<float> s(n);
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / 22050.0));
    return s;
}

// One frame computed the slow way: explicit mirror indices, a direct DFT and a
// dense filter sum, so the fast path's indexing and scaling are checked.
std::vector<double> referenceFrame(const std::vector<float>& x, int64_t k)
{
    const auto n = static_cast<int64_t>(x.size());
    std::vector<double> frame(1024);
    for (int64_t i = 0; i < 1024; ++i) {
        int64_t p = 441 * k - 512 + i;
        if (p < 0)
            p = -p;
        if (p >= n)
            p = 2 * (n - 1) - p;
        frame[i] = x[p] * (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / 1024.0));
    }
    std::vector<double> mag(513);
    for (int q = 0; q <= 512; ++q) {
        std::complex<double> sum;
        for (int i = 0; i < 1024; ++i)
            sum += frame[i] * std::polar(1.0, -2.0 * std::numbers::pi * q * i / 1024.0);
        mag[q] = std::abs(sum) / 32.0;
    }
    const std::vector<double> f = melEdges();
    std::vector<double> bands(128);
    for (int b = 0; b < 128; ++b) {
        double s = 0;
        for (int j = 0; j <= 512; ++j) {
            const double phi = j * 22050.0 / 1024.0;
            const double w = std::min((f[b + 2] - phi) / (f[b + 2] - f[b + 1]), (phi - f[b]) / (f[b + 1] - f[b]));
            if (w > 0)
                s += w * mag[j];
        }
        bands[b] = std::log1p(1000.0 * s);
    }
    return bands;
}

} // namespace

TEST(MelFilters, EdgesFollowSlaneyScaleFrom30To11000Hz)
{
    const std::vector<double> f = melEdges();
    ASSERT_EQ(f.size(), 130u);
    EXPECT_NEAR(f[0], 30.0, 1e-9);
    EXPECT_NEAR(f[1], 55.54, 0.005);
    EXPECT_NEAR(f[128], 10714.01, 0.005);
    EXPECT_NEAR(f[129], 11000.0, 1e-6);
    // The linear part ends at 1000 Hz (15 mel); the spacing there is constant.
    EXPECT_NEAR(f[2] - f[1], f[1] - f[0], 1e-9);
}

TEST(MelFilters, KeepsOnlyPositiveWeightsInBinOrder)
{
    const MelFilters filters = melFilters();
    ASSERT_EQ(filters.bandStart.size(), 129u);
    auto bins = [&](size_t band) {
        std::vector<uint32_t> out;
        for (size_t i = filters.bandStart[band]; i < filters.bandStart[band + 1]; ++i)
            out.push_back(filters.weights[i].bin);
        return out;
    };
    EXPECT_EQ(bins(0), (std::vector<uint32_t>{2, 3}));
    const std::vector<uint32_t> top = bins(127);
    ASSERT_EQ(top.size(), 26u);
    EXPECT_EQ(top.front(), 485u);
    EXPECT_EQ(top.back(), 510u);
    for (const MelWeight& w : filters.weights) {
        EXPECT_GT(w.weight, 0.0);
        EXPECT_LE(w.weight, 1.0);
    }
}

TEST(Spectrogram, FrameCountFollowsLength)
{
    struct Case {
        size_t samples;
        uint64_t frames;
    };
    for (const Case c : {Case{1024, 3}, Case{441 * 3, 4}, Case{441 * 50, 51}, Case{441 * 50 + 440, 51}}) {
        const Spectrogram s = logMelSpectrogram(std::vector<float>(c.samples, 0.0f), kNoTick);
        EXPECT_EQ(s.frames, c.frames) << c.samples;
        EXPECT_EQ(s.values.size(), c.frames * 128) << c.samples;
    }
}

TEST(Spectrogram, RejectsShortAndNonFiniteAudio)
{
    EXPECT_EQ(errorOf(std::vector<float>(1023, 0.0f)), "Audio demasiado corto para analizar.");
    EXPECT_EQ(errorOf({}), "Audio demasiado corto para analizar.");
    for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()}) {
        for (const size_t at : {size_t{0}, size_t{5000}, size_t{441 * 20 - 1}}) {
            std::vector<float> x(441 * 20, 0.1f);
            x[at] = bad;
            EXPECT_EQ(errorOf(x), "Audio contiene valores no finitos.") << at;
        }
    }
}

TEST(Spectrogram, SilenceIsAllZero)
{
    const Spectrogram s = logMelSpectrogram(std::vector<float>(22050, 0.0f), kNoTick);
    for (const float v : s.values)
        ASSERT_EQ(v, 0.0f);
}

TEST(Spectrogram, MatchesDirectComputationIncludingMirroredEdges)
{
    // Non-periodic content so a wrong mirror index or hop shows up.
    std::vector<float> x(441 * 12);
    uint32_t state = 12345;
    for (size_t i = 0; i < x.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        x[i] = static_cast<float>(0.3 * std::sin(0.05 * static_cast<double>(i)) +
                                  0.2 * (static_cast<double>(state >> 8) / 16777216.0 - 0.5));
    }
    const Spectrogram s = logMelSpectrogram(x, kNoTick);
    ASSERT_EQ(s.frames, 13u);
    for (const int64_t k : {0, 1, 6, 12}) {
        const std::vector<double> ref = referenceFrame(x, k);
        for (int b = 0; b < 128; ++b)
            ASSERT_NEAR(s.values[k * 128 + b], ref[b], 1e-4 * std::max(1.0, ref[b])) << "frame " << k << " band " << b;
    }
}

TEST(Spectrogram, PureToneLandsInItsBand)
{
    const std::vector<double> f = melEdges();
    for (const int band : {10, 64, 120}) {
        const Spectrogram s = logMelSpectrogram(tone(22050, f[band + 1]), kNoTick);
        const float* row = s.values.data() + 25 * 128;
        int loudest = 0;
        for (int b = 1; b < 128; ++b)
            if (row[b] > row[loudest])
                loudest = b;
        EXPECT_EQ(loudest, band) << f[band + 1] << " Hz";
    }
}

TEST(Spectrogram, TicksBeforeEvery128thFrame)
{
    struct Case {
        size_t frames;
        int ticks;
    };
    for (const Case c : {Case{3, 1}, Case{128, 1}, Case{129, 2}, Case{257, 3}}) {
        int ticks = 0;
        logMelSpectrogram(std::vector<float>(std::max<size_t>(1024, (c.frames - 1) * 441), 0.0f), [&] { ++ticks; });
        EXPECT_EQ(ticks, c.ticks) << c.frames;
    }
    // A throwing tick abandons the work with its own error.
    int calls = 0;
    EXPECT_THROW(logMelSpectrogram(std::vector<float>(441 * 300, 0.0f),
                                   [&] {
                                       if (++calls == 2)
                                           throw std::runtime_error("stop");
                                   }),
                 std::runtime_error);
    EXPECT_EQ(calls, 2);
}
