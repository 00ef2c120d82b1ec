// Loading a song: fingerprint, decode, then the analysis from the cache when
// a valid one exists for this song and this model, otherwise a fresh
// analysis that is then cached.
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis_model.h"
#include "analysis/model_identity.h"
#include "base/cancel.h"

// The folders a load reads and writes, fixed since start-up.
struct SongLoadFolders {
    std::filesystem::path installFolder;  // decoder, runtime, model
    std::filesystem::path workFolder;     // the decoder's files
    std::filesystem::path cacheFolder;    // settings folder / "analysis-v3"
};

// The installed model as loads need it. Identifying it reads the whole
// model file; the model does not change while the program runs, so whoever
// lives for the run identifies it once and hands it to every load.
struct InstalledModel {
    std::string identity;  // modelIdentity of its file
    BeatModelKind kind = BeatModelKind::Trained;
};

// The installed model, or nothing when its file cannot be read.
std::optional<InstalledModel> identifyInstalledModel(const std::filesystem::path& installFolder, const TickFn& tick);

// Fills audio, then analysis; whatever was filled before a failure stays.
// The first load that can read the model fills installed; later loads take
// it from there and leave the model file alone.
void loadSong(const std::filesystem::path& songPath, const SongLoadFolders& folders,
              std::optional<InstalledModel>& installed, const TickFn& tick, const ProgressFn& progress,
              std::vector<float>& audio, Analysis& analysis);

// Identifies the model that analyses: the first 16 hex digits of the
// SHA-256 of its file, empty when it cannot be read (the analysis itself
// then reports the problem).
std::string modelIdentity(const std::filesystem::path& installFolder, const TickFn& tick);

// Where the analysis of a song by a model is cached: cacheFolder / model
// identity / fingerprint + ".bin". Analyses of different models never meet.
std::filesystem::path cacheFileOf(const std::filesystem::path& cacheFolder, const std::string& model,
                                  const std::string& fingerprint);
