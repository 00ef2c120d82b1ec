#include "analysis/beat_descriptors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <vector>

#include "analysis/fft.h"
#include "analysis/hann_window.h"
#include "base/audio_constants.h"

namespace {

constexpr double kSampleRate = kAnalysisSampleRate;
constexpr double kFramesPerSecond = kSpectrogramFrameRate;
constexpr int kCoefficients = 12;
constexpr size_t kChromaSize = 4096;
// Harmony is read 40 % into the beat, but never later than 200 ms after its
// onset: long beats would otherwise be judged by their decaying tail.
constexpr double kChromaOffsetShare = 0.4;
constexpr double kChromaOffsetLimit = 0.2;
// Only the musically informative range counts toward the pitch classes.
constexpr double kChromaLowHz = 55.0;
constexpr double kChromaHighHz = 5000.0;
// Width of the Gaussian around each semitone centre, in semitones.
constexpr double kSemitoneWidth = 0.4;
// Keeps the standardisation divisor at 0.2 or more for near-constant coefficients.
constexpr double kVarianceFloor = 0.04;

// One FFT bin that contributes to a pitch class, with its Gaussian weight.
struct ChromaBin {
    size_t bin;
    int pitchClass;
    double weight;
};

struct Tables {
    std::vector<double> window;         // periodic Hann, 4096 points
    std::vector<ChromaBin> chromaBins;  // bins of 55 ... 5000 Hz
    std::array<std::array<double, kMelBands>, kCoefficients> dct;  // rows for coefficients 1..12
};

Tables buildTables()
{
    Tables t;
    t.window = periodicHann(kChromaSize);
    for (size_t m = 1; m < kChromaSize / 2; ++m) {
        const double f = static_cast<double>(m) * kSampleRate / kChromaSize;
        if (f < kChromaLowHz || f > kChromaHighHz)
            continue;
        const double pitch = 12.0 * std::log2(f / 440.0) + 69.0;
        const double nearest = std::round(pitch);  // halves away from zero
        const double offset = (pitch - nearest) / kSemitoneWidth;
        const int pitchClass = static_cast<int>(nearest) % 12;
        t.chromaBins.push_back({m, pitchClass, std::exp(-offset * offset)});
    }
    for (int i = 0; i < kCoefficients; ++i)
        for (int b = 0; b < kMelBands; ++b)
            t.dct[i][b] = std::cos(std::numbers::pi * (i + 1) * (b + 0.5) / kMelBands);
    return t;
}

// Cepstral coefficients 1..12 of the beat's mean log-mel spectrum, before standardisation.
void describeTimbre(const Spectrogram& spectrogram, const Tables& tables, Beat& beat)
{
    const int64_t frames = static_cast<int64_t>(spectrogram.frames);
    std::array<double, kMelBands> mean{};
    if (frames > 0) {
        const double end = beat.time + beat.duration;
        int64_t lo = static_cast<int32_t>(beat.time * kFramesPerSecond);
        lo = std::min(std::max<int64_t>(lo, 0), frames - 1);
        int64_t hi = static_cast<int32_t>(end * kFramesPerSecond);
        hi = std::min(std::max(hi, lo + 1), frames);
        const float count = static_cast<float>(hi - lo);
        for (int64_t k = lo; k < hi; ++k) {
            const float* row = spectrogram.values.data() + k * kMelBands;
            for (int b = 0; b < kMelBands; ++b)
                mean[b] += static_cast<double>(row[b] / count);
        }
    }
    for (int i = 0; i < kCoefficients; ++i) {
        double c = 0.0;
        for (int b = 0; b < kMelBands; ++b)
            c += mean[b] * tables.dct[i][b];
        beat.mfcc[i] = 0.125 * c;
    }
}

float beatLoudness(std::span<const float> mono, const Beat& beat)
{
    double meanSquare = 0.0;
    if (!mono.empty()) {
        const uint64_t len = mono.size();
        const uint64_t a = std::min(len - 1, static_cast<uint64_t>(beat.time * kSampleRate));
        const uint64_t b = std::min(len, static_cast<uint64_t>((beat.time + beat.duration) * kSampleRate));
        if (a < b) {
            double sum = 0.0;
            for (uint64_t n = a; n < b; ++n)
                sum += static_cast<double>(mono[n] * mono[n]);
            meanSquare = sum / static_cast<double>(b - a);
        }
    }
    return static_cast<float>(10.0 * std::log10(meanSquare + 1e-12));
}

void describeHarmony(std::span<const float> mono, const Tables& tables, std::vector<std::complex<double>>& scratch,
                     Beat& beat)
{
    const double point = beat.time + std::min(kChromaOffsetShare * beat.duration, kChromaOffsetLimit);
    const int64_t start = static_cast<int64_t>(kSampleRate * point) - static_cast<int64_t>(kChromaSize / 2);
    const int64_t len = static_cast<int64_t>(mono.size());
    for (size_t n = 0; n < kChromaSize; ++n) {
        const int64_t p = start + static_cast<int64_t>(n);
        const double x = (p >= 0 && p < len) ? static_cast<double>(mono[static_cast<size_t>(p)]) : 0.0;
        scratch[n] = {x * tables.window[n], 0.0};
    }
    forwardFft(scratch);
    std::fill(std::begin(beat.chroma), std::end(beat.chroma), 0.0);
    for (const ChromaBin& bin : tables.chromaBins) {
        const std::complex<double> x = scratch[bin.bin];
        const double magnitude = std::sqrt(x.real() * x.real() + x.imag() * x.imag());
        beat.chroma[bin.pitchClass] += std::sqrt(magnitude) * bin.weight;
    }
}

void standardiseTimbre(std::vector<Beat>& beats)
{
    const double count = static_cast<double>(beats.size());
    for (int i = 0; i < kCoefficients; ++i) {
        double sum = 0.0;
        for (const Beat& b : beats)
            sum += b.mfcc[i];
        const double mean = sum / count;
        double spread = 0.0;
        for (const Beat& b : beats)
            spread += (b.mfcc[i] - mean) * (b.mfcc[i] - mean);
        const double deviation = std::sqrt(spread / count + kVarianceFloor);
        for (Beat& b : beats)
            b.mfcc[i] = (b.mfcc[i] - mean) / deviation;
    }
}

} // namespace

void describeBeats(std::span<const float> monoAudio, const Spectrogram& spectrogram, Analysis& analysis,
                   const TickFn& tick)
{
    if (analysis.beats.empty())
        return;
    static const Tables tables = buildTables();
    std::vector<std::complex<double>> scratch(kChromaSize);
    for (size_t k = 0; k < analysis.beats.size(); ++k) {
        if (k % 16 == 0)
            tick();
        Beat& beat = analysis.beats[k];
        describeTimbre(spectrogram, tables, beat);
        beat.loudness = beatLoudness(monoAudio, beat);
        describeHarmony(monoAudio, tables, scratch, beat);
    }
    standardiseTimbre(analysis.beats);
}
