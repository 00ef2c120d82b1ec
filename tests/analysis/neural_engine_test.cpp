#include <gtest/gtest.h>

#include <fstream>

#include "engine_fixture.h"

namespace {

constexpr const char* kRuntimeMissing = "No se pudo abrir ONNX Runtime incluido. Reinstala el paquete completo.";

} // namespace

TEST(NeuralEngine, ReleasingAnEmptyEngineDoesNothing)
{
    NeuralEngine engine;
    releaseEngine(engine);
    releaseEngine(engine);
    EXPECT_TRUE(engineEmpty(engine));
}

TEST(NeuralEngine, MissingRuntimeLibrary)
{
    const TempInstall install("no-runtime");
    install.setModel(testModel("probe"));
    NeuralEngine engine;
    EXPECT_EQ(loadError(engine, install.folder), kRuntimeMissing);
    EXPECT_TRUE(engineEmpty(engine));
}

TEST(NeuralEngine, ModelFailuresCarryTheRuntimeTextAndUnloadIt)
{
    const TempInstall install("bad-model");
    install.addRuntime();
    NeuralEngine engine;

    // No model file at all.
    const std::string missing = loadError(engine, install.folder);
    EXPECT_EQ(missing.rfind("Motor neuronal: ", 0), 0u) << missing;
    EXPECT_GT(missing.size(), std::string("Motor neuronal: ").size());
    EXPECT_TRUE(engineEmpty(engine));
    EXPECT_TRUE(unloaded(install.runtime()));

    // A file that is no model.
    std::ofstream(install.folder / "beat_this.onnx", std::ios::binary) << "not a model at all";
    const std::string invalid = loadError(engine, install.folder);
    EXPECT_EQ(invalid.rfind("Motor neuronal: ", 0), 0u) << invalid;
    EXPECT_TRUE(engineEmpty(engine));
    EXPECT_TRUE(unloaded(install.runtime()));
}

TEST(NeuralEngine, LoadsAModelAndUnloadsEverythingAgain)
{
    const TempInstall install("good-model");
    install.addRuntime();
    install.setModel(testModel("probe"));
    for (int round = 0; round < 2; ++round) {
        NeuralEngine engine;
        loadEngine(engine, install.folder);
        EXPECT_NE(engine.api, nullptr);
        EXPECT_NE(engine.env, nullptr);
        EXPECT_NE(engine.sessionOptions, nullptr);
        EXPECT_NE(engine.session, nullptr);
        EXPECT_NE(engine.memoryInfo, nullptr);
        EXPECT_TRUE(testsupport::isLibraryLoaded(install.runtime()));
        releaseEngine(engine);
        EXPECT_TRUE(engineEmpty(engine));
        EXPECT_TRUE(unloaded(install.runtime())) << "round " << round;
        releaseEngine(engine);
    }
}

TEST(NeuralEngine, RuntimeWithoutTheNeededTableIsTooOld)
{
    const TempInstall install("old-runtime");
    std::filesystem::copy_file(TAMREL_TEST_OLD_RUNTIME, install.runtime());
    install.setModel(testModel("probe"));
    NeuralEngine engine;
    EXPECT_EQ(loadError(engine, install.folder), "Version incompatible del motor neuronal.");
    EXPECT_TRUE(engineEmpty(engine));
    EXPECT_TRUE(unloaded(install.runtime()));
}
