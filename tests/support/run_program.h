// Runs a program to its end for a test, its output streams into files.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/file_system.h"

namespace testsupport {

// Exit code of program run with args (argument 0 is added), or -1 when it
// could not be started or did not end within timeoutMs.
inline int runProgram(const std::filesystem::path& program, const std::vector<std::filesystem::path>& args,
                      const std::filesystem::path& outputFolder, uint32_t timeoutMs = 120000)
{
    platform::ChildLaunch launch;
    launch.program = program;
    launch.arguments.push_back(program.native());
    for (const auto& arg : args)
        launch.arguments.push_back(arg.native());
    launch.workingFolder = outputFolder;
    launch.standardOutput = outputFolder / "stdout.txt";
    launch.standardError = outputFolder / "stderr.txt";
    platform::ChildProcess child = platform::startChildProcess(launch);
    if (child.status != platform::StartStatus::Started)
        return -1;
    if (!platform::waitForChild(child, timeoutMs)) {
        platform::terminateChild(child, 1);
        platform::finishChild(child, 5000);
        return -1;
    }
    return platform::finishChild(child, 5000);
}

// A fresh empty folder under the system's temporary folder, removed by the destructor.
struct TempFolder {
    std::filesystem::path path;
    explicit TempFolder(const std::string& tag)
    {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("tamrel-test-" + tag + "-" + std::to_string(platform::currentProcessId()) + "-" +
                std::to_string(++counter));
        std::filesystem::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
};

} // namespace testsupport
