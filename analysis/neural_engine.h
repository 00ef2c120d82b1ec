// Every contact with ONNX Runtime: the runtime library is loaded from the
// installation folder for one analysis and unloaded after it.
#pragma once
#include <filesystem>
#include <string>

#include "analysis/model_identity.h"

struct OrtApi;
struct OrtEnv;
struct OrtSession;
struct OrtSessionOptions;
struct OrtMemoryInfo;
struct OrtStatus;

// The beat model beside the program; the trained one drops in under this name.
inline constexpr const char* kModelFileName = "beat_this.onnx";
// The runtime library's file name beside the program.
std::string runtimeLibraryName();

struct NeuralEngine {
    const OrtApi* api = nullptr;
    OrtEnv* env = nullptr;
    OrtSession* session = nullptr;
    OrtSessionOptions* sessionOptions = nullptr;
    OrtMemoryInfo* memoryInfo = nullptr;
    void* library = nullptr;
};

// Fills the engine or throws; on a throw everything is released again.
void loadEngine(NeuralEngine& engine, const std::filesystem::path& installFolder);
// Safe on an empty or half-built engine, and twice.
void releaseEngine(NeuralEngine& engine);
// Null status returns; otherwise throws "Motor neuronal: " + the runtime's text.
void checkStatus(const NeuralEngine& engine, OrtStatus* status);
// The kind of the loaded model, from its ONNX metadata. Needs a ready engine.
BeatModelKind loadedModelKind(const NeuralEngine& engine);
