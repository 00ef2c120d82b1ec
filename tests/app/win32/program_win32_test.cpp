#include <gtest/gtest.h>

#include <windows.h>

#include "app/settings.h"
#include "platform/child_process.h"
#include "support/run_program.h"

namespace {

// The installed program, run as a user would: whatever the outcome, no work
// folder is left behind in the temporary folder.
TEST(Program, LeavesNoWorkFolderBehind)
{
    const auto program = installFolder().parent_path() / "install" / "TamrelOrvane.exe";
    ASSERT_TRUE(std::filesystem::exists(program));
    testsupport::TempFolder root("program");
    const auto tmp = root.path / "tmp";
    const auto out = root.path / "out";
    std::filesystem::create_directories(tmp);
    std::filesystem::create_directories(out);

    wchar_t saved[32768] = {};
    const bool hadTmp = GetEnvironmentVariableW(L"TMP", saved, 32768) > 0;
    SetEnvironmentVariableW(L"TMP", tmp.c_str());
    const std::vector<std::pair<std::vector<std::filesystem::path>, int>> runs = {
        {{"--verify", root.path / "missing.mp3", out}, 1},
    };
    for (const auto& [args, exitCode] : runs) {
        EXPECT_EQ(testsupport::runProgram(program, args, out), exitCode);
        EXPECT_TRUE(std::filesystem::is_empty(tmp));
    }
    // Any other command line opens the window (and no song); closed, it ends with 0.
    platform::ChildLaunch launch;
    launch.program = program;
    launch.arguments = {program.native(), L"--verify", (root.path / "missing.mp3").native()};
    launch.workingFolder = out;
    launch.standardOutput = out / "stdout.txt";
    launch.standardError = out / "stderr.txt";
    platform::ChildProcess child = platform::startChildProcess(launch);
    ASSERT_EQ(child.status, platform::StartStatus::Started);
    HWND window = nullptr;
    for (int wait = 0; wait < 600 && !window; ++wait) {
        Sleep(50);
        window = FindWindowW(L"TamrelOrvane", L"Tamrel Orvane");
    }
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(std::filesystem::is_empty(tmp));  // its work folder, while it runs
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(platform::waitForChild(child, 30000));
    EXPECT_EQ(platform::finishChild(child, 5000), 0);
    EXPECT_TRUE(std::filesystem::is_empty(tmp));

    SetEnvironmentVariableW(L"TMP", hadTmp ? saved : nullptr);
    EXPECT_FALSE(std::filesystem::exists(out / "verification.txt"));
}

} // namespace
