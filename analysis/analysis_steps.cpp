#include "analysis/analysis_steps.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "analysis/beat_connections.h"
#include "analysis/beat_decoding.h"
#include "analysis/beat_descriptors.h"
#include "analysis/loop_search.h"
#include "base/audio_constants.h"

namespace {

constexpr uint64_t kOverviewTickFrames = 65536;
constexpr uint32_t kMagnitudeBits = 0x7FFFFFFF;
constexpr uint32_t kInfinityBits = 0x7F800000;
constexpr size_t kHopSamples = kSpectrogramHop;
// A frame counts as silent when it and its three neighbours on each side hold no energy at all.
constexpr size_t kGateReach = 3;
constexpr double kSilentEnergy = 1e-9;
constexpr float kGatedLogit = -1000.0f;
constexpr size_t kMinBeats = 8;
// Local tempos outside this open range are decoding accidents, not tempos.
constexpr double kSlowestBpm = 30.0;
constexpr double kFastestBpm = 300.0;

} // namespace

std::vector<float> peakOverview(std::span<const float> stereoAudio, const TickFn& tick)
{
    std::vector<float> overview(kOverviewSize, 0.0f);
    const uint64_t frames = stereoAudio.size() / 2;
    // Frame i falls in bucket floor(i * 8192 / frames); walking bucket by
    // bucket spares a division per frame. Runs also end at every tick point,
    // so each tick still comes before the frames that follow it.
    uint64_t i = 0;
    for (uint64_t bucket = 0; bucket < kOverviewSize && i < frames; ++bucket) {
        const uint64_t bucketEnd = ((bucket + 1) * frames + kOverviewSize - 1) / kOverviewSize;
        float peak = overview[bucket];
        while (i < bucketEnd) {
            if (i % kOverviewTickFrames == 0)
                tick();
            const uint64_t runEnd = std::min(bucketEnd, (i / kOverviewTickFrames + 1) * kOverviewTickFrames);
            // Without its sign bit a float's bits order like its magnitude,
            // and every infinity or NaN lies above the largest finite value:
            // one integer maximum gives both the peak and the finiteness.
            uint32_t largest = 0;
            for (uint64_t n = 2 * i; n < 2 * runEnd; ++n)
                largest = std::max(largest, std::bit_cast<uint32_t>(stereoAudio[n]) & kMagnitudeBits);
            if (largest >= kInfinityBits)
                throw std::runtime_error("Audio no finito.");
            peak = std::max(peak, std::bit_cast<float>(largest));
            i = runEnd;
        }
        overview[bucket] = peak;
    }
    return overview;
}

void gateSilence(Activations& activations, std::span<const float> monoAudio)
{
    const size_t frames = std::min(activations.beat.size(), activations.downbeat.size());
    if (frames == 0)
        return;
    // Sample n belongs to frame n / 441; the last frame also takes every sample beyond it.
    std::vector<double> energy(frames, 0.0);
    for (size_t f = 0; f < frames; ++f) {
        const size_t begin = std::min(monoAudio.size(), f * kHopSamples);
        const size_t end = f + 1 == frames ? monoAudio.size() : std::min(monoAudio.size(), begin + kHopSamples);
        double sum = 0.0;
        for (size_t n = begin; n < end; ++n) {
            const double x = monoAudio[n];
            sum += x * x;
        }
        energy[f] = sum;
    }
    for (size_t j = 0; j < frames; ++j) {
        double sum = 0.0;
        const size_t end = std::min(frames, j + kGateReach + 1);
        for (size_t k = j > kGateReach ? j - kGateReach : 0; k < end; ++k)
            sum += energy[k];
        if (sum < kSilentEnergy) {
            activations.beat[j] = kGatedLogit;
            activations.downbeat[j] = kGatedLogit;
        }
    }
}

void songTempo(Analysis& analysis)
{
    const std::vector<Beat>& beats = analysis.beats;
    if (beats.empty())
        return;
    double confidence = 0.0;
    for (const Beat& beat : beats)
        confidence += beat.confidence;
    analysis.confidence = confidence / static_cast<double>(beats.size());

    std::vector<double> tempos;
    for (const Beat& beat : beats)
        if (beat.bpm > kSlowestBpm && beat.bpm < kFastestBpm)
            tempos.push_back(beat.bpm);
    if (tempos.empty()) {
        analysis.bpm = 0.0;
        return;
    }
    std::sort(tempos.begin(), tempos.end());
    const size_t count = tempos.size();
    analysis.bpm = tempos[count / 2];
    analysis.bpmLow = tempos[count / 10];
    analysis.bpmHigh = tempos[9 * count / 10];
}

void finishAnalysis(Analysis& analysis, Activations& activations, std::span<const float> monoAudio,
                    const Spectrogram& spectrogram, double songDuration, const TickFn& tick,
                    const ProgressFn& progress)
{
    gateSilence(activations, monoAudio);
    DecodedBeats decoded = decodeBeats(activations.beat, activations.downbeat, songDuration);
    analysis.meter = decoded.meter;
    analysis.beats = std::move(decoded.beats);
    if (analysis.beats.size() < kMinBeats) {
        progress(100, "Pulso poco definido \xC2\xB7 usa los marcadores manuales");
        return;
    }
    songTempo(analysis);
    progress(78, "Comparando timbre, armonia y energia de cada beat");
    describeBeats(monoAudio, spectrogram, analysis, tick);
    progress(85, "Tejiendo conexiones musicales compatibles");
    findConnections(analysis, tick);
    progress(95, "Sincronizando loops y salida con los compases detectados");
    findLoops(analysis, songDuration, tick);
    progress(100, "Analisis neuronal terminado");
}
