#include "analysis/spectrogram.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>

#include "analysis/fft.h"
#include "analysis/mel_filters.h"

namespace {

constexpr size_t kFftSize = kMelFftSize;
constexpr size_t kHop = 441;                // 22 050 Hz / 50 frames per second
constexpr size_t kTickEvery = 128;

std::vector<double> periodicHann()
{
    std::vector<double> w(kFftSize);
    for (size_t n = 0; n < kFftSize; ++n)
        w[n] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(kFftSize));
    return w;
}

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

    Spectrogram spec;
    spec.frames = samples.size() / kHop + 1;
    spec.values.assign(spec.frames * kMelBands, 0.0f);

    const MelFilters filters = melFilters();
    const std::vector<double> window = periodicHann();
    std::vector<std::complex<double>> buffer(kFftSize);
    std::vector<double> magnitude(kMelFftBins);

    for (uint64_t k = 0; k < spec.frames; ++k) {
        if (k % kTickEvery == 0)
            tick();
        const int64_t first = static_cast<int64_t>(k * kHop) - static_cast<int64_t>(kFftSize / 2);
        for (size_t i = 0; i < kFftSize; ++i) {
            const float sample = samples[reflect(first + static_cast<int64_t>(i), n)];
            if (!std::isfinite(sample))
                throw std::runtime_error("Audio contiene valores no finitos.");
            buffer[i] = {static_cast<double>(sample) * window[i], 0.0};
        }
        forwardFft(buffer);
        // 1/32 = 1/sqrt(1024): the transform's orthonormal scale.
        for (size_t q = 0; q < kMelFftBins; ++q)
            magnitude[q] = std::abs(buffer[q]) / 32.0;
        float* row = spec.values.data() + k * kMelBands;
        for (size_t b = 0; b < kMelBands; ++b) {
            double s = 0.0;
            for (size_t i = filters.bandStart[b]; i < filters.bandStart[b + 1]; ++i)
                s += filters.weights[i].weight * magnitude[filters.weights[i].bin];
            row[b] = static_cast<float>(std::log1p(1000.0 * s));
        }
    }
    return spec;
}
