// Runs one command over many songs, several at a time: each song is loaded
// (through the analysis cache, as the window loads it), then reported or
// exported. A failed song does not stop the others; a cancellation stops
// them all at their next cancellation point.
#pragma once
#include <optional>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "cache/song_loading.h"
#include "cli/command_line.h"
#include "cli/progress_display.h"

// About what a 20-minute song holds in memory at its peak.
inline constexpr uint64_t kMemoryPerJob = uint64_t{1} << 30;

// As many songs at once as there are cores, never more than the memory
// holds, and at least one.
unsigned defaultJobCount(unsigned cores, uint64_t availableMemory);

struct BatchPlan {
    CliCommand command = CliCommand::Analyse;
    // Identified once for the whole batch: the model does not change while it runs.
    std::optional<InstalledModel> model;
    ExportChoice choice;
    std::filesystem::path outputFolder;  // packages (export)
    SongLoadFolders folders;             // each song works in a subfolder of its work folder
    unsigned jobs = 1;
};

struct BatchOutcome {
    size_t failed = 0;
    bool cancelled = false;
};

// Results go to the display's result stream (a JSON line or a package
// path per song), failures to its error stream as "path: message".
BatchOutcome runBatch(const BatchPlan& plan, const std::vector<std::filesystem::path>& songs,
                      ProgressDisplay& display);
