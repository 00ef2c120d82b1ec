#include "render/export_package.h"

#include <numeric>
#include <stdexcept>
#include <system_error>

#include "analysis/analysis_report.h"
#include "base/audio_constants.h"
#include "base/cancel.h"
#include "base/free_space.h"
#include "base/text_file.h"
#include "render/game_loop_ogg.h"
#include "render/game_loop_wav.h"
#include "render/loop_markers.h"
#include "render/package_folder.h"
#include "render/package_texts.h"
#include "render/render_plan.h"
#include "render/wav_writer.h"

namespace {

// Preview and text files, on top of the masters.
constexpr uint64_t kSmallFilesReserve = 20971520;
constexpr uint64_t kBytesPerFrame16 = 4;
constexpr uint64_t kBytesPerFrame24 = 6;

uint64_t frameCount(const std::vector<Segment>& segments)
{
    return std::accumulate(segments.begin(), segments.end(), uint64_t{0},
                           [](uint64_t sum, const Segment& s) { return sum + static_cast<uint64_t>(s.count); });
}

// What game engines and editors load, after the masters and their texts.
void writeGameFiles(const std::filesystem::path& folder, const RenderPlan& plan, const TickFn& tick)
{
    writeGameLoopWav(folder / "06-bucle-juego.wav", plan, tick);
    writeGameLoopOgg(folder / "06-bucle-juego.ogg", plan, tick);
    writeTextFile(folder / "marcadores.txt", loopMarkers(plan.startSample, plan.endSample, plan.outroSample));
}

void writePackageFiles(const std::filesystem::path& folder, const RenderPlan& plan, const Analysis& analysis,
                       const std::vector<Segment>& montage, const std::string& cutSettings, const TickFn& tick)
{
    writeWav(folder / "01-inicio.wav", plan, {{SectionKind::Start, 0, plan.startSample}}, 24, tick);
    writeWav(folder / "02-loop.wav", plan, {{SectionKind::Loop, 0, plan.endSample - plan.startSample}}, 24, tick);
    writeWav(folder / "03-final.wav", plan, {{SectionKind::Outro, 0, sectionLength(plan, SectionKind::Outro)}}, 24,
             tick);
    writeWav(folder / "04-montaje.wav", plan, montage, 24, tick);
    writeWav(folder / "05-escuchar-uniones.wav", plan, joinSegments(plan), 16, tick);
    writeTextFile(folder / "cortes.json", cutSettings);
    writeTextFile(folder / "LEEME.txt", readMeText());
    if (!analysis.beats.empty())
        writeTextFile(folder / "analisis-musical.json", analysisReport(analysis));
    writeGameFiles(folder, plan, tick);
    // A cancellation that arrived while the text files were written still
    // discards the package.
    tick();
}

} // namespace

std::filesystem::path exportPackage(const std::vector<float>& songAudio, const Analysis& analysis, const Loop& cuts,
                                    double fadeSeconds, int repetitions, const std::filesystem::path& outputFolder,
                                    const std::filesystem::path& songPath, const TickFn& tick,
                                    const std::optional<DurationTarget>& target)
{
    RenderPlan plan;
    prepareRender(plan, songAudio, cuts, fadeSeconds);
    std::optional<TargetKeys> targetKeys;
    if (target) {
        const TargetFit fit = fitTarget(cutFramesOf(plan), *target);
        applyTarget(plan, fit);
        repetitions = fit.repetitions;
        targetKeys = TargetKeys{target->seconds, 1000.0 * static_cast<double>(fit.fadeOutFrames) / kSongFrameRate};
    }
    // A negative count must not wrap into a large, accepted unsigned one.
    const unsigned count = repetitions < 0 ? 0u : static_cast<unsigned>(repetitions);
    const std::vector<Segment> montage = montageSegments(plan, count);
    const uint64_t montageFrames = frameCount(montage);
    if (kBytesPerFrame24 * montageFrames > kWavMaxDataBytes)
        throw std::runtime_error("El montaje supera 4 GB. Reduce las repeticiones.");

    const uint64_t sectionFrames = static_cast<uint64_t>(plan.endSample + songFrames(plan) - plan.outroSample);
    // The game loop file holds the start and one loop again, at 16 bits.
    const uint64_t gameLoopFrames = static_cast<uint64_t>(plan.endSample);
    ensureFreeSpace(outputFolder, kBytesPerFrame24 * (sectionFrames + montageFrames) +
                                      kBytesPerFrame16 * gameLoopFrames + kSmallFilesReserve);

    std::filesystem::create_directories(outputFolder);
    const std::filesystem::path folder =
        createPackageFolder(outputFolder, packageFolderName(songPath, platform::localTimeNow()));
    try {
        writePackageFiles(folder, plan, analysis, montage,
                          cutSettingsJson(songPath, cuts, plan, fadeSeconds, repetitions, montageFrames, analysis.model,
                                          targetKeys),
                          tick);
    } catch (...) {
        // Either a complete package or none: a half-written one would look
        // like a finished export.
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        throw;
    }
    return folder;
}
