#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/child_process.h"
#include "support/run_program.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempFolder;

fs::path testsFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// A started lingering child, ended by creating its release file.
struct LingeringChild {
    fs::path release;
    platform::ChildProcess process;
};

LingeringChild startLingering(const fs::path& folder, const std::string& name)
{
    LingeringChild child;
    child.release = folder / (name + ".release");
    platform::ChildLaunch launch;
    launch.program = testsFolder() / "lingering_child.exe";
    launch.arguments = {launch.program.native(), child.release.native()};
    launch.workingFolder = folder;
    launch.standardOutput = folder / (name + ".out");
    launch.standardError = folder / (name + ".err");
    child.process = platform::startChildProcess(launch);
    return child;
}

int release(LingeringChild& child)
{
    std::ofstream(child.release).put('x');
    return platform::finishChild(child.process, 60000);
}

bool stillRunning(LingeringChild& child)
{
    return !platform::waitForChild(child.process, 0);
}

// How the program's own files are opened: the export's WAV and text files
// and the cache entry through an output file stream, the song through an
// input one.
enum class OpenedBy { WritingStream, ReadingStream };

// A file the program has open while a decoder starts (from another job) must
// not stay open in the decoder: once the program closes it, the file and its
// folder can be renamed and removed while the decoder still runs, as a
// package's staging folder is.
TEST(ChildInheritance, FilesOpenAtAChildsStartAreNotKeptOpenByIt)
{
    for (const OpenedBy opened : {OpenedBy::WritingStream, OpenedBy::ReadingStream}) {
        SCOPED_TRACE(opened == OpenedBy::WritingStream ? "writing stream" : "reading stream");
        TempFolder folder{"inherit"};
        const fs::path staging = folder.path / "staging";
        fs::create_directories(staging);
        const fs::path file = staging / "01-inicio.wav";
        std::ofstream(file, std::ios::binary) << "RIFF";

        LingeringChild child;
        {
            std::ofstream writing;
            std::ifstream reading;
            if (opened == OpenedBy::WritingStream) {
                writing.open(file, std::ios::binary | std::ios::app);
                ASSERT_TRUE(writing.is_open());
            } else {
                reading.open(file, std::ios::binary);
                ASSERT_TRUE(reading.is_open());
            }
            child = startLingering(folder.path, "child");
            ASSERT_EQ(child.process.status, platform::StartStatus::Started);
        }
        std::error_code moved, removed;
        const fs::path package = folder.path / "package";
        fs::rename(staging, package, moved);
        fs::remove(package / "01-inicio.wav", removed);
        const bool childWasRunning = stillRunning(child);
        EXPECT_EQ(release(child), 0);
        ASSERT_TRUE(childWasRunning) << "the child ended before the file was moved: nothing was tested";
        EXPECT_FALSE(moved) << moved.message();
        EXPECT_FALSE(removed) << removed.message();
    }
}

// Two children started one after the other each keep only their own
// redirected files: the first one's output can be removed once it has
// ended, although the second still runs.
TEST(ChildInheritance, AChildKeepsNoOtherChildsFiles)
{
    TempFolder folder{"inherit-two"};
    LingeringChild first = startLingering(folder.path, "first");
    ASSERT_EQ(first.process.status, platform::StartStatus::Started);
    LingeringChild second = startLingering(folder.path, "second");
    ASSERT_EQ(second.process.status, platform::StartStatus::Started);
    EXPECT_EQ(release(first), 0);
    std::error_code removed;
    fs::remove(folder.path / "first.out", removed);
    const bool secondWasRunning = stillRunning(second);
    EXPECT_EQ(release(second), 0);
    ASSERT_TRUE(secondWasRunning) << "the second child ended too soon: nothing was tested";
    EXPECT_FALSE(removed) << removed.message();
}

} // namespace
