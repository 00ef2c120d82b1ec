#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/beat_model.h"
#include "engine_fixture.h"

namespace {

// Band 0 of frame k holds k + 1, so a padding row (0) or a neighbour's row
// is told apart from the frame itself.
Spectrogram numberedFrames(uint64_t frames)
{
    Spectrogram s;
    s.frames = frames;
    s.values.assign(frames * 128, 0.5f);
    for (uint64_t k = 0; k < frames; ++k)
        s.values[k * 128] = static_cast<float>(k + 1);
    return s;
}

struct ModelRun {
    Activations activations;
    std::vector<std::pair<int32_t, std::string>> progress;
    int ticks = 0;
};

class BeatModel : public ::testing::Test {
protected:
    static void SetUpTestSuite() { install = new TempInstall("windows"); install->addRuntime(); }
    static void TearDownTestSuite() { delete install; }

    ModelRun run(const std::string& model, const Spectrogram& spectrogram)
    {
        install->setModel(testModel(model));
        ModelRun r;
        withEngineOnThread(install->folder, [&](NeuralEngine& engine) {
            r.activations = runBeatModel(
                engine, spectrogram, [&] { ++r.ticks; },
                [&](int32_t percent, const std::string& message) { r.progress.emplace_back(percent, message); });
        });
        return r;
    }

    static TempInstall* install;
};

TempInstall* BeatModel::install = nullptr;

std::string windowMessage(int i, int w)
{
    return "Escuchando beats y compases \xC2\xB7 ventana " + std::to_string(i) + "/" + std::to_string(w);
}

} // namespace

// Each frame must come from its own row, from the first window whose inner
// part holds it, never from a window's 6-frame border.
TEST_F(BeatModel, EveryFrameOnceFromTheRightWindow)
{
    struct Case {
        uint64_t frames;
        std::vector<int64_t> starts;
    };
    const std::vector<Case> cases = {
        {3, {-6}},
        {1488, {-6}},
        {1489, {-6, -5}},
        {3000, {-6, 1482, 1506}},
        {12000, {-6, 1482, 2970, 4458, 5946, 7434, 8922, 10410, 10506}},
    };
    for (const Case& c : cases) {
        const ModelRun r = run("probe", numberedFrames(c.frames));
        ASSERT_EQ(r.activations.beat.size(), c.frames);
        ASSERT_EQ(r.activations.downbeat.size(), c.frames);
        const auto frames = static_cast<int64_t>(c.frames);
        for (int64_t f = 0; f < frames; ++f) {
            int64_t owner = 0;
            bool found = false;
            for (const int64_t s : c.starts) {
                if (!found && f >= s + 6 && f < s + std::min<int64_t>(1494, frames - s)) {
                    owner = s;
                    found = true;
                }
            }
            ASSERT_TRUE(found) << c.frames << " frame " << f;
            ASSERT_EQ(r.activations.beat[f], static_cast<float>(f + 1)) << c.frames << " frame " << f;
            ASSERT_EQ(r.activations.downbeat[f], static_cast<float>(f - owner)) << c.frames << " frame " << f;
        }
        EXPECT_EQ(r.ticks, static_cast<int>(c.starts.size()) + 1) << c.frames;
        ASSERT_EQ(r.progress.size(), c.starts.size()) << c.frames;
    }
}

TEST_F(BeatModel, ReportsEachWindowBetween15And75Percent)
{
    const ModelRun three = run("probe", numberedFrames(3000));
    const std::vector<std::pair<int32_t, std::string>> expected = {
        {15, windowMessage(1, 3)}, {35, windowMessage(2, 3)}, {55, windowMessage(3, 3)}};
    EXPECT_EQ(three.progress, expected);

    const ModelRun nine = run("probe", numberedFrames(12000));
    ASSERT_EQ(nine.progress.size(), 9u);
    EXPECT_EQ(nine.progress[1], std::make_pair(21, windowMessage(2, 9)));  // 15 + floor(60/9)
    EXPECT_EQ(nine.progress[8], std::make_pair(68, windowMessage(9, 9)));  // 15 + floor(480/9)
}

TEST_F(BeatModel, RuntimeFailuresSurfaceWithTheirText)
{
    try {
        run("wrong_input", numberedFrames(100));
        FAIL() << "a model without input_spectrogram ran";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Motor neuronal: ", 0), 0u) << e.what();
    }
    // Too few values for the frames given must not be read past their end.
    try {
        run("short_output", numberedFrames(100));
        FAIL() << "a model with one value per window was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Motor neuronal: ", 0), 0u) << e.what();
    }
    EXPECT_TRUE(unloaded(install->runtime()));
}

TEST_F(BeatModel, CancellationLeavesBetweenWindows)
{
    install->setModel(testModel("probe"));
    int windowsRun = 0;
    std::string error;
    std::thread job([&] {
        NeuralEngine engine;
        loadEngine(engine, install->folder);
        try {
            runBeatModel(
                engine, numberedFrames(3000),
                [&] {
                    if (windowsRun == 2)
                        throw std::runtime_error("cancelled");
                },
                [&](int32_t, const std::string&) { ++windowsRun; });
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        releaseEngine(engine);
    });
    job.join();
    EXPECT_EQ(error, "cancelled");
    EXPECT_EQ(windowsRun, 2);
    EXPECT_TRUE(unloaded(install->runtime()));
}
