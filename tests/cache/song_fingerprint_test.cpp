#include <gtest/gtest.h>

#include <stdexcept>

#include "cache/song_fingerprint.h"
#include "scratch_folder.h"

namespace {

std::vector<uint8_t> patternBytes(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

struct Hashed {
    std::string fingerprint;
    int ticks = 0;
};

Hashed fingerprintCountingTicks(const std::filesystem::path& file)
{
    Hashed result;
    result.fingerprint = songFingerprint(file, [&] { ++result.ticks; });
    return result;
}

std::string thrownMessage(const std::filesystem::path& file, const TickFn& tick)
{
    try {
        songFingerprint(file, tick);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

} // namespace

// Reference digests from an independent SHA-256; the chunk edges at 64 KiB
// are where a streamed hash goes wrong.
TEST(SongFingerprint, KnownAnswersAndTicksPerChunk)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* digest;
        int ticks;
    };
    const Case cases[] = {
        {"empty", {}, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", 1},
        {"abc", {'a', 'b', 'c'}, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", 1},
        {"one chunk", patternBytes(65536), "510b126e1d4ced49107fe4ab03ee54cb1c8e4caf6064e1dd29c48d4a3e74c38b", 2},
        {"chunk and a byte", patternBytes(65537), "ad8b370d36508e55e3c9cd44667a6e36e35955d0ff9f8fe59805bb18c2db5dd8",
         2},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = folder.path / "song.mp3";
        writeBytes(file, c.bytes);
        const Hashed hashed = fingerprintCountingTicks(file);
        EXPECT_EQ(hashed.fingerprint, c.digest);
        EXPECT_EQ(hashed.ticks, c.ticks);
    }
}

TEST(SongFingerprint, FollowsContentNotName)
{
    ScratchFolder folder;
    std::vector<uint8_t> bytes = patternBytes(200000);
    const auto original = folder.path / "tema.flac";
    const auto copy = folder.path / std::filesystem::path(u8"M\u00fasica") / std::filesystem::path(u8"canci\u00f3n \u266a.wav");
    std::filesystem::create_directories(copy.parent_path());
    writeBytes(original, bytes);
    writeBytes(copy, bytes);
    const std::string fingerprint = songFingerprint(original, [] {});
    EXPECT_EQ(songFingerprint(copy, [] {}), fingerprint);

    // A change in the last chunk only: the whole file must be hashed.
    bytes.back() ^= 0x01;
    writeBytes(copy, bytes);
    EXPECT_NE(songFingerprint(copy, [] {}), fingerprint);
}

TEST(SongFingerprint, UnreadableSongs)
{
    ScratchFolder folder;
    EXPECT_EQ(thrownMessage(folder.path / "missing.mp3", [] {}), "No se pudo leer la cancion.");
    // A folder is not a song, even where it opens as an empty stream.
    EXPECT_EQ(thrownMessage(folder.path, [] {}), "No se pudo leer la cancion.");
}

TEST(SongFingerprint, CancellingTickPassesThrough)
{
    ScratchFolder folder;
    const auto file = folder.path / "song.mp3";
    writeBytes(file, patternBytes(3 * 65536));
    int ticks = 0;
    const std::string message = thrownMessage(file, [&] {
        if (++ticks == 2)
            throw std::runtime_error(kCancelledMessage);
    });
    EXPECT_EQ(message, kCancelledMessage);
    EXPECT_EQ(ticks, 2);
}
