#include "analysis/spectrogram.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>

#include "analysis/fft.h"
#include "analysis/hann_window.h"
#include "analysis/mel_filters.h"
#include "base/audio_constants.h"

namespace {

constexpr size_t kFftSize = kMelFftSize;
constexpr size_t kHop = kSpectrogramHop;
constexpr size_t kTickEvery = 128;

// Centred frames read past both ends; mirror without repeating the edge sample.
size_t reflect(int64_t p, int64_t n)
{
    if (p < 0)
        p = -p;
    if (p >= n)
        p = 2 * (n - 1) - p;
    return static_cast<size_t>(p);
}

} // namespace

Spectrogram logMelSpectrogram(std::span<const float> samples, const TickFn& tick)
{
    if (samples.size() < kFftSize)
        throw std::runtime_error("Audio demasiado corto para analizar.");
    const auto n = static_cast<int64_t>(samples.size());

    Spectrogram spectrogram;
    spectrogram.frames = samples.size() / kHop + 1;
    spectrogram.values.assign(spectrogram.frames * kMelBands, 0.0f);

    const MelFilters filters = melFilters();
    const std::vector<double> window = periodicHann(kFftSize);
    std::vector<std::complex<double>> buffer(kFftSize);
    std::vector<double> magnitudeA(kMelFftBins);
    std::vector<double> magnitudeB(kMelFftBins);

    // Windowed samples of frame k, checked for finiteness on the way.
    const auto frameSample = [&](uint64_t k, size_t i) {
        const int64_t first = static_cast<int64_t>(k * kHop) - static_cast<int64_t>(kFftSize / 2);
        const float sample = samples[reflect(first + static_cast<int64_t>(i), n)];
        if (!std::isfinite(sample))
            throw std::runtime_error("Audio contiene valores no finitos.");
        return static_cast<double>(sample) * window[i];
    };
    const auto melRow = [&](const std::vector<double>& magnitude, uint64_t k) {
        float* row = spectrogram.values.data() + k * kMelBands;
        for (size_t b = 0; b < kMelBands; ++b) {
            double s = 0.0;
            for (size_t i = filters.bandStart[b]; i < filters.bandStart[b + 1]; ++i)
                s += filters.weights[i].weight * magnitude[filters.weights[i].bin];
            row[b] = static_cast<float>(std::log1p(1000.0 * s));
        }
    };

    // Both inputs are real, so two frames share one complex transform: frame
    // k in the real part, frame k + 1 in the imaginary part, separated again
    // through the conjugate symmetry of real spectra. Half the transforms.
    for (uint64_t k = 0; k < spectrogram.frames; k += 2) {
        if (k % kTickEvery == 0)
            tick();
        const bool pair = k + 1 < spectrogram.frames;
        for (size_t i = 0; i < kFftSize; ++i)
            buffer[i] = {frameSample(k, i), pair ? frameSample(k + 1, i) : 0.0};
        forwardFft(buffer);
        // 1/32 = 1/sqrt(1024): the transform's orthonormal scale.
        for (size_t q = 0; q < kMelFftBins; ++q) {
            const std::complex<double> x = buffer[q];
            const std::complex<double> y = std::conj(buffer[(kFftSize - q) % kFftSize]);
            const std::complex<double> a = 0.5 * (x + y);
            const std::complex<double> b = 0.5 * (x - y);  // i times frame k + 1's spectrum
            magnitudeA[q] = std::sqrt(a.real() * a.real() + a.imag() * a.imag()) / 32.0;
            magnitudeB[q] = std::sqrt(b.real() * b.real() + b.imag() * b.imag()) / 32.0;
        }
        melRow(magnitudeA, k);
        if (pair)
            melRow(magnitudeB, k + 1);
    }
    return spectrogram;
}
