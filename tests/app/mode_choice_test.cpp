#include <gtest/gtest.h>

#include "app/program.h"

namespace {

TEST(ModeChoice, OnlyTheExactVerifyCommandRunsHeadless)
{
    using Args = std::vector<std::filesystem::path>;
    const std::vector<std::pair<Args, RunMode>> cases = {
        {{"app", "--verify", "song.mp3", "out"}, RunMode::Verification},
        {{"app", "--verify", "song.mp3"}, RunMode::Interactive},
        {{"app", "--verify", "song.mp3", "out", "extra"}, RunMode::Interactive},
        {{"app", "--VERIFY", "song.mp3", "out"}, RunMode::Interactive},
        {{"app", "--verify/", "song.mp3", "out"}, RunMode::Interactive},
        {{"app", "song.mp3", "--verify", "out"}, RunMode::Interactive},
        {{"app", "song.mp3"}, RunMode::Interactive},
        {{}, RunMode::Interactive},
    };
    for (const auto& [args, mode] : cases) {
        std::string line;
        for (const auto& arg : args) line += arg.string() + " ";
        EXPECT_EQ(chooseMode(args), mode) << line;
    }
}

} // namespace
