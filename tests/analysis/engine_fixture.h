// Install folders for engine tests: a private temporary folder holding a copy
// of the real runtime and, under the model's file name, a chosen model.
#pragma once
#include <gtest/gtest.h>

#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "analysis/neural_engine.h"
#include "support/library_probe.h"
#include "platform/file_system.h"

inline std::filesystem::path generatedDir()
{
    return TAMREL_TEST_GENERATED_DIR;
}

inline std::filesystem::path testModel(const std::string& name)
{
    return generatedDir() / "models" / (name + ".onnx");
}

inline std::filesystem::path testsBinDir()
{
    return TAMREL_TEST_BIN_DIR;
}

struct TempInstall {
    std::filesystem::path folder;

    explicit TempInstall(const std::string& tag)
    {
        // The process id keeps tests that ctest runs side by side out of each
        // other's folders: replacing a runtime another process has mapped crashes it.
        folder = std::filesystem::temp_directory_path() /
                 ("tamrel-engine-" + tag + "-" + std::to_string(platform::currentProcessId()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    ~TempInstall()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::filesystem::path runtime() const { return folder / runtimeLibraryName(); }
    void addRuntime() const
    {
        std::filesystem::copy_file(testsBinDir() / runtimeLibraryName(), runtime(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    void setModel(const std::filesystem::path& model) const
    {
        std::filesystem::copy_file(model, folder / "beat_this.onnx", std::filesystem::copy_options::overwrite_existing);
    }
};

// Runs body with an engine loaded from folder on a thread of its own, as the
// analysis job does: the runtime keeps thread-local state in the thread that
// ran the model, which on Linux keeps the library mapped until that thread ends.
template <typename Body>
void withEngineOnThread(const std::filesystem::path& folder, Body body)
{
    std::exception_ptr error;
    std::thread job([&] {
        NeuralEngine engine;
        try {
            loadEngine(engine, folder);
            body(engine);
        } catch (...) {
            error = std::current_exception();
        }
        releaseEngine(engine);
    });
    job.join();
    if (error)
        std::rethrow_exception(error);
}

inline std::string loadError(NeuralEngine& engine, const std::filesystem::path& folder)
{
    try {
        loadEngine(engine, folder);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

inline bool engineEmpty(const NeuralEngine& e)
{
    return !e.env && !e.session && !e.sessionOptions && !e.memoryInfo && !e.library;
}

// Whether the runtime library is gone from the process, checked at once:
// releasing the session and the environment joins the runtime's worker
// threads, so by then nothing may still hold it. On Linux, glibc finishes
// unmapping a library whose threads kept thread-local data only at the next
// open and close of it, which the first probe is.
inline bool unloaded(const std::filesystem::path& library)
{
    testsupport::isLibraryLoaded(library);
    return !testsupport::isLibraryLoaded(library);
}
