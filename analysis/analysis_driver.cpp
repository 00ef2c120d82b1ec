#include "analysis/analysis_driver.h"

#include <stdexcept>

#include "analysis/analysis_steps.h"
#include "analysis/beat_model.h"
#include "analysis/neural_engine.h"
#include "analysis/spectrogram.h"
#include "base/audio_constants.h"

namespace {

constexpr double kStereoRate = kSongFrameRate;
constexpr double kShortestSong = kShortestSongSeconds;
// A millisecond of slack, so that a 20-minute song whose decoded length overshoots by a few samples passes.
constexpr double kLongestSong = kLongestSongSeconds + 0.001;

// The runtime library must never outlive the analysis, whichever way it ends.
struct EngineGuard {
    NeuralEngine& engine;
    ~EngineGuard() { releaseEngine(engine); }
};

} // namespace

Analysis analyseSong(std::span<const float> stereoAudio, std::span<const float> monoAudio,
                     const std::filesystem::path& installFolder, const TickFn& tick, const ProgressFn& progress)
{
    const double duration = static_cast<double>(stereoAudio.size()) * 0.5 / kStereoRate;
    if (duration < kShortestSong || duration > kLongestSong)
        throw std::runtime_error(kSongLengthMessage);

    Analysis analysis;
    analysis.engine = kEngineNeural;
    analysis.overview = peakOverview(stereoAudio, tick);

    // The texts name the model that is installed; the tag, the one that ran.
    const bool standIn = installedModelKind(installFolder / kModelFileName) == BeatModelKind::StandIn;
    progress(6, standIn ? "Preparando espectrograma para el rastreador de reserva"
                        : "Preparando espectrograma para el modelo entrenado");
    const Spectrogram spectrogram = logMelSpectrogram(monoAudio, tick);

    progress(12, standIn ? "Cargando rastreador de reserva \xC2\xB7 CPU local" : "Cargando Beat This! \xC2\xB7 CPU local");
    NeuralEngine engine;
    const EngineGuard guard{engine};
    loadEngine(engine, installFolder);
    analysis.model = loadedModelKind(engine);
    analysis.engine = engineTag(analysis.model);
    Activations activations = runBeatModel(engine, spectrogram, tick, progress);

    finishAnalysis(analysis, activations, monoAudio, spectrogram, duration, tick, progress);
    return analysis;
}
