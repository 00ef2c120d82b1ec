#include "cli/batch.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "app/jobs.h"
#include "app/running.h"
#include "app/song_jobs.h"
#include "app/window_texts.h"
#include "base/cancel.h"
#include "base/utf.h"
#include "cli/cut_choice.h"
#include "cli/package_staging.h"
#include "cli/song_report.h"
#include "render/export_package.h"

namespace {

// Share of a song's progress that its load takes when it is then exported.
constexpr double kLoadShareOfExport = 0.8;

// The folder one song's decoder writes into; the batch removes it after the song.
std::filesystem::path songWorkFolder(const SongLoadFolders& folders, size_t song)
{
    return folders.workFolder / ("cancion-" + std::to_string(song + 1));
}

std::string processSong(const BatchPlan& plan, const std::filesystem::path& songPath, size_t index,
                        ProgressDisplay& display, std::mutex& moves)
{
    SongLoadFolders where = plan.folders;
    where.workFolder = songWorkFolder(plan.folders, index);
    std::filesystem::create_directories(where.workFolder);
    const double share = plan.command == CliCommand::Export ? kLoadShareOfExport : 1.0;
    const ProgressFn progress = [&display, index, share](int32_t percent, const std::string& message) {
        reportStage(display, index, static_cast<int>(percent * share), message);
    };
    std::vector<float> audio;
    Analysis analysis;
    std::optional<InstalledModel> model = plan.model;
    loadSong(songPath, where, model, checkCancel, progress, audio, analysis);
    if (plan.command == CliCommand::Analyse)
        return songReportLine(songPath, audio.size() / 2, analysis) + "\n";

    const Loop cuts = chooseCuts(analysis, plan.choice);
    reportStage(display, index, static_cast<int>(100 * kLoadShareOfExport), std::string(kExportStatus));
    const std::filesystem::path staging = stagingFolder(plan.outputFolder, index);
    const std::filesystem::path staged = exportPackage(audio, analysis, cuts, plan.choice.fadeSeconds,
                                                       plan.choice.repetitions, staging, songPath, checkCancel,
                                                       plan.choice.target);
    checkCancel();
    const std::filesystem::path package = movePackageIntoPlace(staged, plan.outputFolder, moves);
    std::filesystem::remove(staging);
    return pathToUtf8(package) + "\n";
}

// Runs one song to its result line or its error line; true when it failed.
// A cancellation is no failure of the song's own and prints nothing.
bool runSong(const BatchPlan& plan, const std::filesystem::path& songPath, size_t index, ProgressDisplay& display,
             std::mutex& moves)
{
    std::string failure;
    try {
        const std::string result = processSong(plan, songPath, index, display, moves);
        writeResult(display, result);
    } catch (const Cancelled&) {
        failure.clear();
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = kUnexpectedErrorMessage;
    }
    // A decoder of another song that was just stopped may hold a file of
    // these a moment longer on Windows: both folders go with retries.
    removeWorkFolder(songWorkFolder(plan.folders, index));
    // Whatever an interrupted export left in its staging folder goes with it.
    if (plan.command == CliCommand::Export)
        removeWorkFolder(stagingFolder(plan.outputFolder, index));
    reportFinished(display, index);
    if (failure.empty())
        return false;
    writeError(display, pathToUtf8(songPath) + ": " + failure + "\n");
    return true;
}

} // namespace

unsigned defaultJobCount(unsigned cores, uint64_t availableMemory)
{
    const uint64_t byMemory = availableMemory / kMemoryPerJob;
    return static_cast<unsigned>(std::max<uint64_t>(1, std::min<uint64_t>(std::max(cores, 1u), byMemory)));
}

BatchOutcome runBatch(const BatchPlan& plan, const std::vector<std::filesystem::path>& songs,
                      ProgressDisplay& display)
{
    std::atomic<size_t> next{0};
    std::atomic<size_t> failed{0};
    std::mutex moves;
    const auto worker = [&] {
        for (size_t i = next++; i < songs.size() && !cancelFlag.load(); i = next++) {
            if (runSong(plan, songs[i], i, display, moves))
                ++failed;
        }
    };
    const size_t threads = std::clamp<size_t>(plan.jobs, 1, std::max<size_t>(songs.size(), 1));
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& thread : pool)
        thread.join();
    return {failed.load(), cancelFlag.load()};
}
