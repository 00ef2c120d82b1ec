// The two jobs the window launches: loading a song and exporting a package.
#pragma once
#include <filesystem>
#include <vector>

#include "analysis/analysis_model.h"
#include "analysis/cut_rule.h"
#include "app/jobs.h"
#include "app/settings.h"

// Fills the LoadOutcome: audio, analysis, peak and, at its end, loaded.
// Progress goes to the window the job posts to.
Job loadJob(const std::filesystem::path& songPath, const Folders& folders, platform::WindowHandle window);

// Exports with what was chosen when the command was given. The song audio
// and analysis are read in place: the window replaces neither while busy.
Job exportJob(const std::vector<float>& songAudio, const Analysis& analysis, const CutSettings& settings,
              const std::filesystem::path& outputFolder, const std::filesystem::path& songPath);
