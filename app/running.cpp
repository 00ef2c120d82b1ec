#include "app/running.h"

#include <chrono>
#include <thread>

void removeWorkFolder(const std::filesystem::path& workFolder)
{
    if (workFolder.empty())
        return;
    // A decoder that has just ended may hold its log open a moment longer on
    // Windows, which makes its deletion fail; a few short retries outlast it.
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::error_code ignored;
        std::filesystem::remove_all(workFolder, ignored);
        if (!std::filesystem::exists(workFolder, ignored))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void shutdown(Running& running)
{
    // No job may still write into the work folder when it goes.
    stopJob(running.jobs);
    double playhead = 0.0;
    stopPlayback(running.player, playhead);
    removeWorkFolder(running.folders.workFolder);
}
