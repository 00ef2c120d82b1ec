#include <gtest/gtest.h>

#include <atomic>

#include <chrono>
#include <fstream>
#include <thread>

#include "base/cancel.h"
#include "app/settings.h"
#include "audio/decoder.h"
#include "audio/wav_fixture.h"
#include "support/fixtures.h"
#include "support/run_program.h"
#include "support/message_of.h"

namespace {

using testsupport::messageOf;

using testsupport::TempFolder;
using testsupport::ConstantWav;

constexpr const char* kDuration = "Duracion admitida: de 20 segundos a 20 minutos.";
constexpr const char* kDecodeFailed =
    "No se pudo decodificar el archivo. Comprueba que contiene audio y no esta protegido. "
    "El detalle queda en decoder.log mientras la app esta abierta.";

std::vector<std::filesystem::path> folderContents(const std::filesystem::path& workFolder)
{
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(workFolder)) names.push_back(entry.path().filename());
    return names;
}

// Twenty-minute files are shared by the tests that need a long decoding.
const std::filesystem::path& longSongFolder()
{
    static TempFolder folder("long-songs");
    static const bool written = [] {
        testsupport::writeWav(folder.path / "exact-20min.wav", ConstantWav{1, 8, 1200ull * 48000});
        testsupport::writeWav(folder.path / "over-20min.wav", ConstantWav{1, 8, 1200ull * 48000 + 480});
        return true;
    }();
    (void)written;
    return folder.path;
}

class Decoder : public ::testing::Test {
protected:
    TempFolder work{"work"};
    TempFolder songs{"songs"};

    DecoderRun run{installFolder(), work.path};
    const std::filesystem::path& workFolder = work.path;

    void SetUp() override { cancelFlag = false; }
    void TearDown() override { cancelFlag = false; }

    std::vector<float> decode(const std::filesystem::path& song) { return decodeSong(song, run).audio; }

    std::filesystem::path shortSong(const std::string& name, uint64_t frames)
    {
        const auto path = songs.path / pathFromName(name);
        testsupport::writeWav(path, ConstantWav{2, 16, frames});
        return path;
    }
    static std::filesystem::path pathFromName(const std::string& utf8)
    {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    }
};

TEST_F(Decoder, AcceptsExactlyTwentySecondsAndReadsBothOutputs)
{
    const auto song = shortSong("twenty.wav", 20 * 48000);
    const std::string before = testsupport::readBytes(song);

    const DecodedSong decoded = decodeSong(song, run);
    const std::vector<float>& audio = decoded.audio;
    ASSERT_EQ(audio.size(), 20u * 48000 * 2);
    EXPECT_EQ(audio[0], 0.25f);
    EXPECT_EQ(audio[1], -0.5f);
    EXPECT_EQ(audio[audio.size() - 2], 0.25f);

    const std::vector<float>& mono = decoded.analysisAudio;
    EXPECT_NEAR(static_cast<double>(mono.size()), 20.0 * 22050, 64);
    EXPECT_GT(mono[mono.size() / 2], -0.5f);  // a mix of both channels
    EXPECT_LT(mono[mono.size() / 2], -0.1f);

    EXPECT_EQ(folderContents(workFolder), std::vector<std::filesystem::path>{"decoder.log"});
    EXPECT_EQ(testsupport::readBytes(song), before);
}

TEST_F(Decoder, RejectsSongsJustOutsideTheDurationLimits)
{
    const auto song = shortSong("short.wav", 19 * 48000 + 43200);  // 19.9 s
    EXPECT_EQ(messageOf([&] { decode(song); }), kDuration);
    EXPECT_EQ(messageOf([&] { decode(longSongFolder() / "over-20min.wav"); }), kDuration);
}

TEST_F(Decoder, AcceptsExactlyTwentyMinutes)
{
    const auto song = longSongFolder() / "exact-20min.wav";
    const auto sizeBefore = std::filesystem::file_size(song);
    EXPECT_EQ(decode(song).size(), 1200u * 48000 * 2);
    EXPECT_EQ(std::filesystem::file_size(song), sizeBefore);
}

TEST_F(Decoder, FileWithoutAudioFailsAndKeepsTheDecoderLog)
{
    const auto text = songs.path / "notes.mp3";
    std::ofstream(text) << "not audio at all\n";
    EXPECT_EQ(messageOf([&] { decode(text); }), kDecodeFailed);
    EXPECT_FALSE(testsupport::readBytes(workFolder / "decoder.log").empty());

    const auto missing = songs.path / "missing.wav";
    EXPECT_EQ(messageOf([&] { decode(missing); }), kDecodeFailed);
}

TEST_F(Decoder, CancellationStopsTheDecoderAndReportsIt)
{
    const auto song = longSongFolder() / "exact-20min.wav";
    // The cancel comes once the decoder has begun to write, not after a
    // guessed time: a fast machine decodes this song whole in well under a second.
    const auto decoded = workFolder / "decoded.f32";
    std::atomic<bool> done{false};
    std::thread canceller([&] {
        std::error_code notYet;
        while (!done) {
            if (std::filesystem::file_size(decoded, notYet) > 0 && !notYet) {
                cancelFlag = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_EQ(messageOf([&] { decode(song); }), kCancelledMessage);
    done = true;
    canceller.join();
    // Stopped early: far less than the whole song reached the work folder.
    EXPECT_LT(std::filesystem::file_size(workFolder / "decoded.f32"), 1200ull * 48000 * 8);

    EXPECT_EQ(messageOf([&] { decode(song); }), kCancelledMessage);  // flag already set at entry
}

TEST_F(Decoder, TimeLimitStopsTheDecoder)
{
    // A clock on which five minutes pass between any two readings.
    run.clock = [now = uint64_t{0}]() mutable { return now += 300001; };
    EXPECT_EQ(messageOf([&] { decode(longSongFolder() / "exact-20min.wav"); }), kDecodeFailed);
}

TEST_F(Decoder, HostileFileNamesReachTheDecoderUnchanged)
{
    std::vector<std::string> names = {"con espacio.wav", "Canción ñandú ß.wav", "-guion.wav", "a'b&c;d$(x).wav"};
#ifndef _WIN32
    names.push_back("comilla\"doble.wav");
    names.push_back("barra\\invertida\\.wav");
    names.push_back("barra final\\");
#endif
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const auto song = shortSong(name, 21 * 48000);
        const std::string before = testsupport::readBytes(song);
        EXPECT_EQ(decode(song).size(), 21u * 48000 * 2);
        EXPECT_EQ(testsupport::readBytes(song), before);
    }
}

TEST_F(Decoder, EachDecodeHandsBackItsOwnAnalysisAudioAndLeavesNoneBehind)
{
    // A later decode must never find an earlier song's analysis audio: the
    // second song is longer, and its mono length says whose it is.
    const DecodedSong first = decodeSong(shortSong("first.wav", 21 * 48000), run);
    EXPECT_EQ(folderContents(workFolder), std::vector<std::filesystem::path>{"decoder.log"});
    const DecodedSong second = decodeSong(shortSong("second.wav", 33 * 48000), run);
    EXPECT_NEAR(first.analysisAudio.size() / 22050.0, 21.0, 0.01);
    EXPECT_NEAR(second.analysisAudio.size() / 22050.0, 33.0, 0.01);
    EXPECT_EQ(second.audio.size(), 33u * 48000 * 2);
    EXPECT_EQ(folderContents(workFolder), std::vector<std::filesystem::path>{"decoder.log"});
}

TEST_F(Decoder, AnalysisAudioLeftByAFailedRunIsNeverTakenForTheNextSongs)
{
    // A failed run leaves its "mono.f32" behind; the next run reads its own
    // while the decoder writes it, and must not start on the old one. The old
    // one is longer and holds a value the new song never has.
    {
        std::ofstream stale(workFolder / "mono.f32", std::ios::binary);
        const std::vector<float> old(60 * 22050, 0.75f);
        stale.write(reinterpret_cast<const char*>(old.data()), static_cast<std::streamsize>(old.size() * 4));
    }
    const DecodedSong decoded = decodeSong(shortSong("after-failure.wav", 21 * 48000), run);
    ASSERT_NEAR(decoded.analysisAudio.size() / 22050.0, 21.0, 0.01);
    // The decoder folds left 0.25 and right -0.5 into (0.25 - 0.5) / sqrt(2)
    // in mono, away from the resampler's edges.
    for (size_t i = 22050; i + 22050 < decoded.analysisAudio.size(); i += 441)
        ASSERT_NEAR(decoded.analysisAudio[i], -0.1768f, 0.001f) << "sample " << i;
    EXPECT_EQ(folderContents(workFolder), std::vector<std::filesystem::path>{"decoder.log"});
}

TEST_F(Decoder, DecodesEveryDemoFormat)
{
    // Every encoding lasts as long as the lossless original, give or take codec padding.
    const double seconds = decode(fixtureDir() / "demo.wav").size() / 2.0 / 48000;
    EXPECT_GT(seconds, 20.0);
    for (const char* extension : {"wav", "mp3", "flac", "ogg", "m4a", "aac", "opus", "wma"}) {
        SCOPED_TRACE(extension);
        const auto song = fixtureDir() / (std::string("demo.") + extension);
        const std::string before = testsupport::readBytes(song);
        const DecodedSong decoded = decodeSong(song, run);
        EXPECT_NEAR(decoded.audio.size() / 2.0 / 48000, seconds, 0.1);
        EXPECT_NEAR(decoded.analysisAudio.size() / 22050.0, seconds, 0.1);
        EXPECT_EQ(testsupport::readBytes(song), before);
    }
}

} // namespace
