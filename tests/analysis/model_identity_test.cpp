#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "analysis/analysis_model.h"
#include "analysis/model_identity.h"
#include "engine_fixture.h"

namespace {

void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

// The file's first bytes tell the stand-in apart; anything else, broken or
// missing files included, is taken for the trained model.
TEST(ModelIdentity, InstalledFileNamesItsKind)
{
    EXPECT_EQ(installedModelKind(generatedDir() / "beat_this.onnx"), BeatModelKind::StandIn);
    EXPECT_EQ(installedModelKind(testModel("probe")), BeatModelKind::Trained);

    const TempInstall scratch("identity");
    EXPECT_EQ(installedModelKind(scratch.folder / "absent.onnx"), BeatModelKind::Trained);
    std::ifstream in(generatedDir() / "beat_this.onnx", std::ios::binary);
    std::string standIn(200, '\0');
    in.read(standIn.data(), static_cast<std::streamsize>(standIn.size()));
    const auto at = standIn.find(kStandInIdentity);
    ASSERT_NE(at, std::string::npos);
    struct Case {
        const char* name;
        std::string bytes;
        BeatModelKind kind;
    };
    std::string otherValue = standIn;
    otherValue[at] = 'X';
    const Case cases[] = {
        {"head only", standIn.substr(0, at + std::string(kStandInIdentity).size()), BeatModelKind::StandIn},
        {"cut inside the entry", standIn.substr(0, at + 3), BeatModelKind::Trained},
        {"another identity", otherValue, BeatModelKind::Trained},
        {"empty", "", BeatModelKind::Trained},
        {"endless varint", std::string(64, '\xFF'), BeatModelKind::Trained},
    };
    for (const Case& c : cases) {
        writeBytes(scratch.folder / "model.onnx", c.bytes);
        EXPECT_EQ(installedModelKind(scratch.folder / "model.onnx"), c.kind) << c.name;
    }
}

TEST(ModelIdentity, LoadedSessionNamesItsKind)
{
    const TempInstall install("identity-session");
    install.addRuntime();
    for (const auto& [model, kind] : {std::pair{generatedDir() / "beat_this.onnx", BeatModelKind::StandIn},
                                      std::pair{testModel("probe"), BeatModelKind::Trained}}) {
        install.setModel(model);
        BeatModelKind loaded = BeatModelKind::Trained;
        withEngineOnThread(install.folder, [&](NeuralEngine& engine) { loaded = loadedModelKind(engine); });
        EXPECT_EQ(loaded, kind) << model;
    }
}

// The engine tags stay what they were for each kind, fresh and cached.
TEST(ModelIdentity, EngineTagsOfEachKind)
{
    EXPECT_STREQ(engineTag(BeatModelKind::Trained), "Beat This! transformer / ONNX CPU \xC2\xB7 neural-v2");
    EXPECT_STREQ(cachedEngineTag(BeatModelKind::Trained), "Beat This! transformer / ONNX CPU \xC2\xB7 cache-v3");
    EXPECT_STREQ(engineTag(BeatModelKind::StandIn), "Stand-in tempo tracker / ONNX CPU \xC2\xB7 classic-v1");
    EXPECT_STREQ(cachedEngineTag(BeatModelKind::StandIn), "Stand-in tempo tracker / ONNX CPU \xC2\xB7 cache-v3");
}
