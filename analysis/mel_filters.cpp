#include "analysis/mel_filters.h"

#include <algorithm>
#include <cmath>

#include "analysis/spectrogram.h"
#include "base/audio_constants.h"

namespace {

constexpr double kSampleRate = kAnalysisSampleRate;
constexpr double kLowHz = 30.0;
constexpr double kHighHz = 11000.0;

// Slaney's mel scale: linear below 1 kHz (3 mel per 200 Hz), logarithmic above
// with 27 mel per factor 6.4.
constexpr double kMelBreak = 15.0;
const double kLogStep = std::log(6.4) / 27.0;

double hzToMel(double hz)
{
    return hz < 1000.0 ? 3.0 * hz / 200.0 : kMelBreak + std::log(hz / 1000.0) / kLogStep;
}

double melToHz(double mel)
{
    return mel < kMelBreak ? 200.0 / 3.0 * mel : 1000.0 * std::exp((mel - kMelBreak) * kLogStep);
}

} // namespace

std::vector<double> melEdges()
{
    const double low = hzToMel(kLowHz);
    const double span = hzToMel(kHighHz) - low;
    std::vector<double> edges(kMelBands + 2);
    for (size_t i = 0; i < edges.size(); ++i)
        edges[i] = melToHz(static_cast<double>(i) * span / static_cast<double>(kMelBands + 1) + low);
    return edges;
}

// No area normalisation: every triangle peaks at 1.
MelFilters melFilters()
{
    const std::vector<double> f = melEdges();
    MelFilters filters;
    filters.bandStart.push_back(0);
    for (size_t b = 0; b < kMelBands; ++b) {
        for (size_t j = 0; j < kMelFftBins; ++j) {
            const double phi = static_cast<double>(j) * kSampleRate / static_cast<double>(kMelFftSize);
            const double falling = (f[b + 2] - phi) / (f[b + 2] - f[b + 1]);
            const double rising = (phi - f[b]) / (f[b + 1] - f[b]);
            const double w = std::min(falling, rising);
            if (w > 0.0)
                filters.weights.push_back({static_cast<uint32_t>(j), w});
        }
        filters.bandStart.push_back(filters.weights.size());
    }
    return filters;
}
