#include "app/song_jobs.h"

#include "render/export_package.h"
#include "render/render_plan.h"

Job loadJob(const std::filesystem::path& songPath, const Folders& folders, std::optional<InstalledModel>& model,
            platform::WindowHandle window)
{
    const SongLoadFolders where{installFolder(), folders.workFolder, settingsFolder(folders) / "analysis-v3"};
    return {LoadOutcome{}, [songPath, where, &model, window](Result& result) {
                auto& outcome = std::get<LoadOutcome>(result.work);
                loadSong(songPath, where, model, checkCancel, progressPoster(window), outcome.audio, outcome.analysis);
                // Measured here, once per song, so that no start of playback
                // reads the whole song on its way to the first sound.
                outcome.peak = songPeak(outcome.audio);
                outcome.loaded = true;
            }};
}

Job exportJob(const std::vector<float>& songAudio, const Analysis& analysis, const CutSettings& settings,
              const std::filesystem::path& outputFolder, const std::filesystem::path& songPath,
              const std::optional<DurationTarget>& target)
{
    return {ExportOutcome{}, [&songAudio, &analysis, settings, outputFolder, songPath, target](Result& result) {
                std::get<ExportOutcome>(result.work).folder =
                    exportPackage(songAudio, analysis, settings.cuts, fadeSecondsOf(settings), settings.repetitions,
                                  outputFolder, songPath, checkCancel, target);
            }};
}
