#include <gtest/gtest.h>

#include <cmath>
#include <dlfcn.h>

#include "analysis/engine_fixture.h"

// A real shared library that is not the runtime, installed under its name.
TEST(NeuralEngine, RuntimeWithoutEntryPointIsRejected)
{
    Dl_info info{};
    ASSERT_NE(dladdr(dlsym(RTLD_DEFAULT, "cos"), &info), 0);
    const TempInstall install("foreign");
    std::filesystem::copy_file(info.dli_fname, install.runtime());
    NeuralEngine engine;
    EXPECT_EQ(loadError(engine, install.folder),
              "No se pudo abrir ONNX Runtime incluido. Reinstala el paquete completo.");
    EXPECT_TRUE(engineEmpty(engine));
    EXPECT_TRUE(unloaded(install.runtime()));
}
