// The two jobs the window launches: loading a song and exporting a package.
#pragma once
#include <filesystem>
#include <vector>

#include "analysis/analysis_model.h"
#include "analysis/cut_rule.h"
#include "app/jobs.h"
#include "app/settings.h"
#include "cache/song_loading.h"
#include "render/duration_target.h"

// Fills the LoadOutcome: audio, analysis, peak and, at its end, loaded.
// Progress goes to the window the job posts to. The installed model is
// identified into `model` by the first load; it must outlive the job.
Job loadJob(const std::filesystem::path& songPath, const Folders& folders, std::optional<InstalledModel>& model,
            platform::WindowHandle window);

// Exports with what was chosen when the command was given. The song audio
// and analysis are read in place: the window replaces neither while busy.
// A target, when given, chooses the repetitions and may end the montage exactly.
Job exportJob(const std::vector<float>& songAudio, const Analysis& analysis, const CutSettings& settings,
              const std::filesystem::path& outputFolder, const std::filesystem::path& songPath,
              const std::optional<DurationTarget>& target = std::nullopt);
