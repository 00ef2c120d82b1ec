#include "app/song_jobs.h"

#include "render/export_package.h"

JobFn loadJob(const std::filesystem::path& songPath, const Folders& folders, std::optional<InstalledModel>& model,
              platform::WindowHandle window)
{
    const SongLoadFolders where{installFolder(), folders.workFolder, settingsFolder(folders) / "analysis-v3"};
    return [songPath, where, &model, window](Result& result) {
        loadSong(songPath, where, model, checkCancel, progressPoster(window), result.audio, result.analysis);
        result.loaded = true;
    };
}

JobFn exportJob(const std::vector<float>& songAudio, const Analysis& analysis, const Loop& cuts, double fadeSeconds,
                int repetitions, const std::filesystem::path& outputFolder, const std::filesystem::path& songPath)
{
    return [&songAudio, &analysis, cuts, fadeSeconds, repetitions, outputFolder, songPath](Result& result) {
        result.exportFolder =
            exportPackage(songAudio, analysis, cuts, fadeSeconds, repetitions, outputFolder, songPath);
    };
}
