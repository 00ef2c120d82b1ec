#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "app/program.h"
#include "app/settings.h"
#include "audio/wav_fixture.h"
#include "support/run_program.h"

namespace {

// A new user account: its own home, data and temporary folders.
struct FakeUser {
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    testsupport::TempFolder home{"home"};
    FakeUser()
    {
        for (const char* name : {"HOME", "TMPDIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        std::filesystem::create_directories(home.path / "tmp");
        ::setenv("HOME", home.path.c_str(), 1);
        ::setenv("TMPDIR", (home.path / "tmp").c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    ~FakeUser()
    {
        for (const auto& [name, value] : saved) {
            if (value) ::setenv(name, value->c_str(), 1);
            else ::unsetenv(name);
        }
    }
    std::filesystem::path dataFolder() const { return home.path / ".local" / "share" / "Tamrel" / "Orvane"; }
};

TEST(Settings, FirstStartCreatesTheFoldersAndAnEmptyUtf16File)
{
    FakeUser user;
    Folders folders;
    loadSettings(folders);
    const auto& [workFolder, settingsFile, outputFolder] = folders;
    EXPECT_EQ(settingsFile, user.dataFolder() / "settings.ini");
    EXPECT_EQ(testsupport::readBytes(settingsFile), "\xFF\xFE");
    EXPECT_EQ(outputFolder, user.home.path / "Music" / "Tamrel Loops");
    EXPECT_FALSE(std::filesystem::exists(outputFolder));  // made only when a package is exported

    EXPECT_EQ(workFolder.parent_path(), user.home.path / "tmp");
    const std::string name = workFolder.filename().string();
    ASSERT_GT(name.size(), 7u);
    EXPECT_EQ(name.substr(0, 3), "TMV");
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF", 3), name.size() - 4);
    EXPECT_TRUE(std::filesystem::is_empty(workFolder));
    Folders second;
    loadSettings(second);  // a second copy of the program
    EXPECT_NE(second.workFolder, workFolder);
    removeWorkFolder(second.workFolder);
    EXPECT_FALSE(std::filesystem::exists(second.workFolder));
    removeWorkFolder(workFolder);
}

TEST(Settings, ChosenOutputFolderIsReadBackAtTheNextStartEvenWhenGone)
{
    FakeUser user;
    Folders first;
    loadSettings(first);
    storeOutputFolder(first, user.home.path / "Exportes ñ" / "borrada");
    removeWorkFolder(first.workFolder);
    Folders next;
    loadSettings(next);
    EXPECT_EQ(next.outputFolder, user.home.path / "Exportes ñ" / "borrada");
    removeWorkFolder(next.workFolder);
}

TEST(Settings, MusicFolderComesFromTheUsersFolderSettings)
{
    FakeUser user;
    std::filesystem::create_directories(user.home.path / ".config");
    std::ofstream(user.home.path / ".config" / "user-dirs.dirs")
        << "# written by the desktop\nXDG_DESKTOP_DIR=\"$HOME/Escritorio\"\nXDG_MUSIC_DIR=\"$HOME/Música\"\n";
    Folders folders;
    loadSettings(folders);
    EXPECT_EQ(folders.outputFolder, user.home.path / "Música" / "Tamrel Loops");
    EXPECT_TRUE(std::filesystem::is_directory(user.home.path / "Música"));
    removeWorkFolder(folders.workFolder);
}

TEST(Settings, UnusableTemporaryFolderFailsTheStart)
{
    FakeUser user;
    ::setenv("TMPDIR", (user.home.path / "no-such-folder").c_str(), 1);
    try {
        Folders folders;
        loadSettings(folders);
        FAIL() << "expected a failure";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "No se puede crear espacio temporal.");
    }
}

// The installed program, run as a user would: whatever the outcome, no work
// folder is left behind.
TEST(Program, LeavesNoWorkFolderBehind)
{
    FakeUser user;
    const auto program = installFolder().parent_path() / "install" / "tamrel-orvane";
    ASSERT_TRUE(std::filesystem::exists(program));
    const auto tmp = user.home.path / "tmp";
    struct { std::filesystem::path path; } out{user.home.path / "out"};
    std::filesystem::create_directories(out.path);
    const std::vector<std::pair<std::vector<std::filesystem::path>, int>> runs = {
        {{}, 1},                                                          // window: not in this build
        {{"--verify", user.home.path / "missing.mp3", out.path}, 1},      // decoding fails
        {{"--verify", user.home.path / "missing.mp3"}, 1},                // three arguments: window
    };
    for (const auto& [args, exitCode] : runs) {
        EXPECT_EQ(testsupport::runProgram(program, args, out.path), exitCode);
        EXPECT_TRUE(std::filesystem::is_empty(tmp));
    }
    EXPECT_EQ(testsupport::readBytes(out.path / "stderr.txt"), "La ventana forma parte de la version para Windows.\n");
    EXPECT_EQ(testsupport::readBytes(out.path / "stdout.txt"), "");
    EXPECT_FALSE(std::filesystem::exists(out.path / "verification.txt"));

    ::setenv("TMPDIR", (user.home.path / "no-such-folder").c_str(), 1);  // start-up fails
    EXPECT_EQ(testsupport::runProgram(program, {}, out.path), 1);
    EXPECT_EQ(testsupport::readBytes(out.path / "stderr.txt"), "");
}

} // namespace
