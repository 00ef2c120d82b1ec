// Which beat model is installed: the trained network, or the classical
// stand-in tracker this project generates. The stand-in says so in its ONNX
// metadata (key kModelIdentityKey, written ahead of the graph); every other
// model counts as trained.
#pragma once
#include <filesystem>
#include <string>

#include "analysis/analysis_model.h"

inline constexpr const char* kModelIdentityKey = "tamrel.model";
inline constexpr const char* kStandInIdentity = "stand-in-tempo-tracker-4";

// Analysis.engine after the driver ran a model of this kind.
const char* engineTag(BeatModelKind kind);
// Analysis.engine when the cache served an analysis this kind of model made.
const char* cachedEngineTag(BeatModelKind kind);
// From a model's metadata value for kModelIdentityKey (empty when it has none).
BeatModelKind modelKindOfIdentity(const std::string& identity);
// Reads only the first few kilobytes of the model file; a missing or
// unreadable file counts as trained (loading it fails with its own error).
BeatModelKind installedModelKind(const std::filesystem::path& modelFile);
