#include <gtest/gtest.h>

#include <fstream>

#include "base/utf.h"
#include "cli/song_search.h"

namespace {

struct TempTree {
    std::filesystem::path root = std::filesystem::temp_directory_path() /
                                 ("tamrel-song-search-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    TempTree() { std::filesystem::remove_all(root); }
    ~TempTree() { std::filesystem::remove_all(root); }
    std::filesystem::path touch(const std::string& relativeUtf8) const
    {
        const std::filesystem::path file = root / pathFromUtf8(relativeUtf8);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << "x";
        return file;
    }
};

TEST(SongSearch, FoldersGiveTheirSongsOfTheEightFormatsWithSubfoldersFilesStayAsGiven)
{
    const TempTree tree;
    for (const char* name : {"b.mp3", "a.WAV", "sub/c.flac", "sub/deep/d.ogg", "sub/deep/e.m4a", "f.aac",
                             "g.Opus", "h.wma", "canción/日本.mp3", "notas.txt", "portada.jpg", "sin-extension",
                             "mp3", "sub/deep/x.mp3.part"})
        tree.touch(name);
    std::filesystem::create_directories(tree.root / "carpeta.mp3");  // a folder is no song

    const std::filesystem::path outside = tree.touch("fuera/suelta.txt");
    const std::filesystem::path missing = tree.root / "no-existe.mp3";
    const std::vector<std::filesystem::path> songs = findSongs({missing, tree.root, outside});

    std::vector<std::string> names;
    for (const auto& song : songs)
        names.push_back(pathToUtf8(song.lexically_relative(tree.root).generic_u8string()));
    const std::vector<std::string> want = {"no-existe.mp3", "a.WAV", "b.mp3", "canción/日本.mp3", "f.aac",
                                           "g.Opus", "h.wma", "sub/c.flac", "sub/deep/d.ogg", "sub/deep/e.m4a",
                                           "fuera/suelta.txt"};
    EXPECT_EQ(names, want);
}

TEST(SongSearch, ASongNamedTwiceOrThroughItsFolderIsKeptOnce)
{
    const TempTree tree;
    const std::filesystem::path song = tree.touch("uno.mp3");
    tree.touch("dos.flac");
    std::filesystem::create_directories(tree.root / "sub");
    const std::vector<std::filesystem::path> songs =
        findSongs({song, tree.root / "." / "uno.mp3", tree.root, tree.root / "sub" / ".."});
    ASSERT_EQ(songs.size(), 2u);
    EXPECT_EQ(songs[0], song);
    EXPECT_EQ(songs[1].filename(), "dos.flac");
}

TEST(SongSearch, ExtensionsInAnyCase)
{
    for (const char* name : {"a.mp3", "a.MP3", "a.Wav", "a.fLaC", "a.OGG", "a.m4A", "a.aac", "a.opus", "a.WMA"})
        EXPECT_TRUE(isSongFile(name)) << name;
    for (const char* name : {"a.mp4", "a.mp", "a", ".mp3x", "a.wav.txt", "a.ñ"})
        EXPECT_FALSE(isSongFile(pathFromUtf8(name))) << name;
}

} // namespace
