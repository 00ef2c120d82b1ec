#include <gtest/gtest.h>

#include <windows.h>

#include "analysis/engine_fixture.h"

// A real DLL that is not the runtime, installed under its name.
TEST(NeuralEngine, RuntimeWithoutEntryPointIsRejected)
{
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_GT(length, 0u);
    const TempInstall install("foreign");
    std::filesystem::copy_file(std::filesystem::path(system) / L"version.dll", install.runtime());
    NeuralEngine engine;
    EXPECT_EQ(loadError(engine, install.folder),
              "No se pudo abrir ONNX Runtime incluido. Reinstala el paquete completo.");
    EXPECT_TRUE(engineEmpty(engine));
    EXPECT_TRUE(unloaded(install.runtime()));
}
