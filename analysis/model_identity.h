// Which beat model is installed: the trained network, or the classical
// stand-in tracker this project generates. The stand-in says so in its ONNX
// metadata (key kModelIdentityKey, written ahead of the graph); every other
// model counts as trained. The texts that name the model follow from it.
#pragma once
#include <filesystem>
#include <string>

inline constexpr const char* kModelIdentityKey = "tamrel.model";
inline constexpr const char* kStandInIdentity = "stand-in-tempo-tracker-2";

enum class BeatModelKind { Trained, StandIn };

struct ModelTexts {
    const char* engineTag;       // Analysis.engine after the driver ran this model
    const char* cacheTag;        // Analysis.engine when the cache served this model's analysis
    const char* reportEngine;    // "engine" of the analysis report
    const char* cutsEngine;      // "analysisEngine" of the cut settings file
    const char* preparing;       // progress 6
    const char* loading;         // progress 12
    const char* idleModelLine;   // the header's model line before any song
    const char* mapCaption;      // the connection map's caption
};

const ModelTexts& modelTexts(BeatModelKind kind);
// From a model's metadata value for kModelIdentityKey (empty when it has none).
BeatModelKind modelKindOfIdentity(const std::string& identity);
// The kind whose engine tag this is; the trained model for any other tag
// (the cache's, "unanalysed").
BeatModelKind modelKindOfEngineTag(const std::string& tag);
// Reads only the first few kilobytes of the model file; a missing or
// unreadable file counts as trained (loading it fails with its own error).
BeatModelKind installedModelKind(const std::filesystem::path& modelFile);
