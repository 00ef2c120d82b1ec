// The two jobs the window launches: loading a song and exporting a package.
#pragma once
#include <filesystem>
#include <vector>

#include "analysis/analysis_model.h"
#include "app/jobs.h"
#include "app/settings.h"
#include "cache/song_loading.h"

inline constexpr const char16_t* kLoadStatus = u"Leyendo audio y buscando frases";
inline constexpr const char16_t* kExportStatus = u"Exportando WAV y montaje";

// Fills Result.audio and Result.analysis and, at its end, Result.loaded.
// Progress goes to the window the job posts to. The installed model is
// identified into `model` by the first load; it must outlive the job.
JobFn loadJob(const std::filesystem::path& songPath, const Folders& folders, std::optional<InstalledModel>& model,
              platform::WindowHandle window);

// Exports with what was chosen when the command was given. The song audio
// and analysis are read in place: the window replaces neither while busy.
JobFn exportJob(const std::vector<float>& songAudio, const Analysis& analysis, const Loop& cuts, double fadeSeconds,
                int repetitions, const std::filesystem::path& outputFolder, const std::filesystem::path& songPath);
