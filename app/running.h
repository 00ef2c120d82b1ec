// What a running mode owns from start-up to shutdown, and the shutdown.
#pragma once
#include <filesystem>

#include "app/jobs.h"
#include "app/settings.h"
#include "cache/song_loading.h"
#include "playback/playback_control.h"

struct Running {
    Folders folders;
    Jobs jobs;
    Player player;  // stopped before it goes
    // Identified by the first song load, read by the later ones (never two
    // jobs at once, and the window does not touch it).
    std::optional<InstalledModel> model;
};

// The common shutdown, in its order: a running job is cancelled and joined,
// playback stops, and the work folder goes with everything in it. The
// Windows entry point then shuts GDI+ and COM down.
void shutdown(Running& running);

// The work folder goes with everything in it, whatever fails on the way.
void removeWorkFolder(const std::filesystem::path& workFolder);
