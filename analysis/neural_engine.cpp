#include "analysis/neural_engine.h"

#include <stdexcept>
#include <string>

#include "analysis/onnx_runtime.h"
#include "platform/dynamic_library.h"
#include "platform/environment.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

constexpr const char* kRuntimeMissing = "No se pudo abrir ONNX Runtime incluido. Reinstala el paquete completo.";
constexpr const char* kRuntimeTooOld = "Version incompatible del motor neuronal.";
constexpr const char* kLogIdentifier = "TamrelStudio";

using GetApiBaseFn = const OrtApiBase*(ORT_API_CALL*)();

// Creating the environment leaves a few bytes the runtime never frees; once
// the library is unloaded nothing points at them, and the leak checker of a
// sanitizer build would report them as this program's.
#if defined(__SANITIZE_ADDRESS__)
using RuntimeOwnedAllocations = __lsan::ScopedDisabler;
#else
struct RuntimeOwnedAllocations {};
#endif

void unloadLibrary(NeuralEngine& engine)
{
    platform::freeLibrary(engine.library);
    engine.library = nullptr;
}

void createSession(NeuralEngine& engine, const std::filesystem::path& installFolder)
{
    const OrtApi& api = *engine.api;
    {
        [[maybe_unused]] const RuntimeOwnedAllocations runtimeOwned;
        checkStatus(engine, api.CreateEnv(ORT_LOGGING_LEVEL_WARNING, kLogIdentifier, &engine.env));
    }
    checkStatus(engine, api.DisableTelemetryEvents(engine.env));
    checkStatus(engine, api.CreateSessionOptions(&engine.sessionOptions));
    checkStatus(engine, api.SetIntraOpNumThreads(engine.sessionOptions, 2));
    checkStatus(engine, api.SetInterOpNumThreads(engine.sessionOptions, 1));
    checkStatus(engine, api.SetSessionExecutionMode(engine.sessionOptions, ORT_SEQUENTIAL));
    checkStatus(engine, api.SetSessionGraphOptimizationLevel(engine.sessionOptions, ORT_ENABLE_ALL));
    // Each song runs a freshly loaded model over a handful of windows, too
    // few for a planned memory pattern to repay its planning on the first.
    checkStatus(engine, api.DisableMemPattern(engine.sessionOptions));
    // Idle workers block instead of spinning, so the UI and audio threads keep their cores.
    checkStatus(engine, api.AddSessionConfigEntry(engine.sessionOptions, "session.intra_op.allow_spinning", "0"));
    // path::value_type is the runtime's ORTCHAR_T on every platform: wide on Windows.
    const std::filesystem::path model = installFolder / kModelFileName;
    checkStatus(engine, api.CreateSession(engine.env, model.c_str(), engine.sessionOptions, &engine.session));
    checkStatus(engine, api.CreateCpuMemoryInfo(OrtArenaAllocator, OrtMemTypeDefault, &engine.memoryInfo));
}

} // namespace

std::string runtimeLibraryName()
{
    return platform::sharedLibraryName("onnxruntime", 1);
}

void loadEngine(NeuralEngine& engine, const std::filesystem::path& installFolder)
{
    engine = NeuralEngine{};
    // Read by the runtime when it loads: without it the Linux build starts a
    // telemetry client that writes trace files into the temporary folder and
    // a device id under the user's home, and keeps an uploader ready.
    platform::setEnvironmentVariable("ORT_DISABLE_TELEMETRY", "1");
    engine.library = platform::loadLibrary(installFolder / runtimeLibraryName());
    if (!engine.library)
        throw std::runtime_error(kRuntimeMissing);
    const auto getApiBase = reinterpret_cast<GetApiBaseFn>(platform::findSymbol(engine.library, "OrtGetApiBase"));
    if (!getApiBase) {
        unloadLibrary(engine);
        throw std::runtime_error(kRuntimeMissing);
    }
    const OrtApiBase* base = getApiBase();
    engine.api = base ? base->GetApi(kOrtApiVersion) : nullptr;
    if (!engine.api) {
        unloadLibrary(engine);
        throw std::runtime_error(kRuntimeTooOld);
    }
    try {
        createSession(engine, installFolder);
    } catch (...) {
        releaseEngine(engine);
        throw;
    }
}

void releaseEngine(NeuralEngine& engine)
{
    if (engine.api) {
        const OrtApi& api = *engine.api;
        if (engine.memoryInfo)
            api.ReleaseMemoryInfo(engine.memoryInfo);
        if (engine.session)
            api.ReleaseSession(engine.session);
        if (engine.sessionOptions)
            api.ReleaseSessionOptions(engine.sessionOptions);
        if (engine.env)
            api.ReleaseEnv(engine.env);
    }
    engine.memoryInfo = nullptr;
    engine.session = nullptr;
    engine.sessionOptions = nullptr;
    engine.env = nullptr;
    unloadLibrary(engine);
}

void checkStatus(const NeuralEngine& engine, OrtStatus* status)
{
    if (!status)
        return;
    const std::string message = engine.api->GetErrorMessage(status);
    engine.api->ReleaseStatus(status);
    throw std::runtime_error("Motor neuronal: " + message);
}

BeatModelKind loadedModelKind(const NeuralEngine& engine)
{
    const OrtApi& api = *engine.api;
    OrtModelMetadata* metadata = nullptr;
    checkStatus(engine, api.SessionGetModelMetadata(engine.session, &metadata));
    std::string identity;
    OrtAllocator* allocator = nullptr;
    char* value = nullptr;
    OrtStatus* status = api.GetAllocatorWithDefaultOptions(&allocator);
    if (!status)
        status = api.ModelMetadataLookupCustomMetadataMap(metadata, allocator, kModelIdentityKey, &value);
    if (value) {
        identity = value;
        OrtStatus* freed = api.AllocatorFree(allocator, value);
        if (freed)
            api.ReleaseStatus(freed);
    }
    api.ReleaseModelMetadata(metadata);
    checkStatus(engine, status);
    return modelKindOfIdentity(identity);
}
