#include "render/export_package.h"

#include <numeric>
#include <stdexcept>
#include <system_error>

#include "analysis/analysis_report.h"
#include "base/cancel.h"
#include "base/free_space.h"
#include "base/text_file.h"
#include "render/package_folder.h"
#include "render/package_texts.h"
#include "render/render_plan.h"
#include "render/wav_writer.h"

namespace {

// Preview and text files, on top of the masters.
constexpr uint64_t kSmallFilesReserve = 20971520;
constexpr uint64_t kBytesPerFrame24 = 6;

uint64_t frameCount(const std::vector<Segment>& segments)
{
    return std::accumulate(segments.begin(), segments.end(), uint64_t{0},
                           [](uint64_t sum, const Segment& s) { return sum + static_cast<uint64_t>(s.count); });
}

void writePackageFiles(const std::filesystem::path& folder, const RenderPlan& plan, const Analysis& analysis,
                       const std::vector<Segment>& montage, const std::string& cutSettings, const TickFn& tick)
{
    const int64_t frames = songFrames(plan);
    writeWav(folder / "01-inicio.wav", plan, {{SectionKind::Start, 0, plan.startSample}}, 24, tick);
    writeWav(folder / "02-loop.wav", plan, {{SectionKind::Loop, 0, plan.endSample - plan.startSample}}, 24, tick);
    writeWav(folder / "03-final.wav", plan, {{SectionKind::Outro, 0, frames - plan.outroSample}}, 24, tick);
    writeWav(folder / "04-montaje.wav", plan, montage, 24, tick);
    writeWav(folder / "05-escuchar-uniones.wav", plan, joinSegments(plan), 16, tick);
    writeTextFile(folder / "cortes.json", cutSettings);
    writeTextFile(folder / "LEEME.txt", readMeText());
    if (!analysis.beats.empty())
        writeTextFile(folder / "analisis-musical.json", analysisReport(analysis));
    // A cancellation that arrived while the text files were written still
    // discards the package.
    tick();
}

} // namespace

std::filesystem::path exportPackage(const std::vector<float>& songAudio, const Analysis& analysis, const Loop& cuts,
                                    double fadeSeconds, int repetitions, const std::filesystem::path& outputFolder,
                                    const std::filesystem::path& songPath, const TickFn& tick)
{
    RenderPlan plan;
    prepareRender(plan, songAudio, cuts, fadeSeconds);
    // A negative count must not wrap into a large, accepted unsigned one.
    const unsigned count = repetitions < 0 ? 0u : static_cast<unsigned>(repetitions);
    const std::vector<Segment> montage = montageSegments(plan, count);
    const uint64_t montageFrames = frameCount(montage);
    if (kBytesPerFrame24 * montageFrames > kWavMaxDataBytes)
        throw std::runtime_error("El montaje supera 4 GB. Reduce las repeticiones.");

    const uint64_t sectionFrames = static_cast<uint64_t>(plan.endSample + songFrames(plan) - plan.outroSample);
    ensureFreeSpace(outputFolder, kBytesPerFrame24 * (sectionFrames + montageFrames) + kSmallFilesReserve);

    std::filesystem::create_directories(outputFolder);
    const std::filesystem::path folder =
        createPackageFolder(outputFolder, packageFolderName(songPath, platform::localTimeNow()));
    try {
        writePackageFiles(folder, plan, analysis, montage,
                          cutSettingsJson(songPath, cuts, plan, fadeSeconds, repetitions, montageFrames, analysis.model),
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
