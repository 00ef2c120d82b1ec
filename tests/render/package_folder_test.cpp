#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/utf.h"
#include "render/package_folder.h"

namespace fs = std::filesystem;

namespace {

const platform::LocalTime kMarch7 {2024, 3, 7, 18, 45, 2};

struct TempFolder {
    fs::path path;
    TempFolder()
    {
        path = fs::temp_directory_path() /
               ("tamrel-folder-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

} // namespace

TEST(PackageFolderName, StemAndLocalTime)
{
    const struct {
        const char* song;
        const char* name;
    } cases[] = {
        {"cancion.mp3", "cancion-20240307-184502"},
        {"dir.x/a.b.mp3", "a.b-20240307-184502"},  // only the last extension goes
        {"sin extension", "sin extension-20240307-184502"},
        {"Canci\xC3\xB3n.flac", "Canci\xC3\xB3n-20240307-184502"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pathToUtf8(packageFolderName(pathFromUtf8(c.song), kMarch7)), c.name) << c.song;
    EXPECT_EQ(pathToUtf8(packageFolderName("x.wav", {987, 12, 31, 0, 0, 9})), "x-09871231-000009");
}

TEST(PackageFolderName, LongStemsAreCutTo70Utf16Units)
{
    const std::string stem100(100, 's');
    EXPECT_EQ(pathToUtf8(packageFolderName(stem100 + ".mp3", kMarch7)), std::string(70, 's') + "-20240307-184502");

    // Units, not bytes: 80 two-byte letters keep 70 letters (140 bytes).
    std::string accents;
    for (int i = 0; i < 80; ++i)
        accents += "\xC3\xB1";
    const std::u16string cut = utf8ToUtf16(pathToUtf8(packageFolderName(pathFromUtf8(accents + ".mp3"), kMarch7)));
    EXPECT_EQ(cut, std::u16string(70, u'\u00F1') + u"-20240307-184502");

    // A character outside the basic plane that straddles unit 70 is dropped
    // whole rather than split into half a surrogate pair.
    const std::string straddling = std::string(69, 'a') + "\xF0\x9F\x8E\xB5" + "zzz.mp3";
    EXPECT_EQ(pathToUtf8(packageFolderName(pathFromUtf8(straddling), kMarch7)),
              std::string(69, 'a') + "-20240307-184502");
}

TEST(CreatePackageFolder, TakenNamesGetNumberedSuffixes)
{
    TempFolder out;
    const fs::path name = "song-20240307-184502";
    EXPECT_EQ(createPackageFolder(out.path, name), out.path / "song-20240307-184502");
    EXPECT_EQ(createPackageFolder(out.path, name), out.path / "song-20240307-184502-1");
    EXPECT_EQ(createPackageFolder(out.path, name), out.path / "song-20240307-184502-2");
    // A file in the way counts as taken too.
    std::ofstream(out.path / "song-20240307-184502-3") << "x";
    EXPECT_EQ(createPackageFolder(out.path, name), out.path / "song-20240307-184502-4");
    EXPECT_TRUE(fs::is_directory(out.path / "song-20240307-184502-4"));
}

TEST(CreatePackageFolder, GivesUpAfterSuffix99)
{
    TempFolder out;
    for (int k = 0; k <= 99; ++k)
        createPackageFolder(out.path, "x");
    EXPECT_TRUE(fs::is_directory(out.path / "x-99"));
    try {
        createPackageFolder(out.path, "x");
        FAIL() << "a 101st folder was created";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), kNoPackageFolderMessage);
    }
    EXPECT_FALSE(fs::exists(out.path / "x-100"));
}

TEST(CreatePackageFolder, MissingOutputFolderIsAnError)
{
    TempFolder out;
    try {
        createPackageFolder(out.path / "missing", "x");
        FAIL() << "created a folder inside a missing one";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), kNoPackageFolderMessage);
    }
}
