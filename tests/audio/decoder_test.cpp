#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/cancel.h"
#include "app/settings.h"
#include "audio/decoder.h"
#include "audio/decoder_run.h"
#include "audio/wav_fixture.h"
#include "support/run_program.h"

namespace {

using testsupport::TempFolder;
using testsupport::WavSpec;

constexpr const char* kDuration = "Duracion admitida: de 20 segundos a 20 minutos.";
constexpr const char* kDecodeFailed =
    "No se pudo decodificar el archivo. Comprueba que contiene audio y no esta protegido. "
    "El detalle queda en decoder.log mientras la app esta abierta.";

std::string messageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no failure)";
}

std::vector<std::filesystem::path> workFolderContents()
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
        testsupport::writeWav(folder.path / "exact-20min.wav", WavSpec{1, 8, 1200ull * 48000});
        testsupport::writeWav(folder.path / "over-20min.wav", WavSpec{1, 8, 1200ull * 48000 + 480});
        return true;
    }();
    (void)written;
    return folder.path;
}

class Decoder : public ::testing::Test {
protected:
    TempFolder work{"work"};
    TempFolder songs{"songs"};

    void SetUp() override
    {
        workFolder = work.path;
        cancelFlag = false;
    }
    void TearDown() override
    {
        cancelFlag = false;
        decoderTimeLimitMs = 300000;
    }

    std::filesystem::path shortSong(const std::string& name, uint64_t frames)
    {
        const auto path = songs.path / pathFromName(name);
        testsupport::writeWav(path, WavSpec{2, 16, frames});
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

    const std::vector<float> audio = decodeSong(song);
    ASSERT_EQ(audio.size(), 20u * 48000 * 2);
    EXPECT_EQ(audio[0], 0.25f);
    EXPECT_EQ(audio[1], -0.5f);
    EXPECT_EQ(audio[audio.size() - 2], 0.25f);

    const std::vector<float> mono = readAnalysisAudio();
    EXPECT_NEAR(static_cast<double>(mono.size()), 20.0 * 22050, 64);
    EXPECT_GT(mono[mono.size() / 2], -0.5f);  // a mix of both channels
    EXPECT_LT(mono[mono.size() / 2], -0.1f);

    EXPECT_EQ(workFolderContents(), std::vector<std::filesystem::path>{"decoder.log"});
    EXPECT_EQ(testsupport::readBytes(song), before);
}

TEST_F(Decoder, RejectsSongsJustOutsideTheDurationLimits)
{
    const auto song = shortSong("short.wav", 19 * 48000 + 43200);  // 19.9 s
    EXPECT_EQ(messageOf([&] { decodeSong(song); }), kDuration);
    EXPECT_EQ(messageOf([&] { decodeSong(longSongFolder() / "over-20min.wav"); }), kDuration);
}

TEST_F(Decoder, AcceptsExactlyTwentyMinutes)
{
    const auto song = longSongFolder() / "exact-20min.wav";
    const auto sizeBefore = std::filesystem::file_size(song);
    EXPECT_EQ(decodeSong(song).size(), 1200u * 48000 * 2);
    EXPECT_EQ(std::filesystem::file_size(song), sizeBefore);
}

TEST_F(Decoder, FileWithoutAudioFailsAndKeepsTheDecoderLog)
{
    const auto text = songs.path / "notes.mp3";
    std::ofstream(text) << "not audio at all\n";
    EXPECT_EQ(messageOf([&] { decodeSong(text); }), kDecodeFailed);
    EXPECT_FALSE(testsupport::readBytes(workFolder / "decoder.log").empty());

    const auto missing = songs.path / "missing.wav";
    EXPECT_EQ(messageOf([&] { decodeSong(missing); }), kDecodeFailed);
}

TEST_F(Decoder, CancellationStopsTheDecoderAndReportsIt)
{
    const auto song = longSongFolder() / "exact-20min.wav";
    std::thread canceller([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancelFlag = true;
    });
    EXPECT_EQ(messageOf([&] { decodeSong(song); }), kCancelledMessage);
    canceller.join();
    // Stopped early: far less than the whole song reached the work folder.
    EXPECT_LT(std::filesystem::file_size(workFolder / "decoded.f32"), 1200ull * 48000 * 8);

    EXPECT_EQ(messageOf([&] { decodeSong(song); }), kCancelledMessage);  // flag already set at entry
}

TEST_F(Decoder, TimeLimitStopsTheDecoder)
{
    decoderTimeLimitMs = 1;
    EXPECT_EQ(messageOf([&] { decodeSong(longSongFolder() / "exact-20min.wav"); }), kDecodeFailed);
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
        EXPECT_EQ(decodeSong(song).size(), 21u * 48000 * 2);
        EXPECT_EQ(testsupport::readBytes(song), before);
    }
}

TEST_F(Decoder, AnalysisAudioKeepsWholeSamplesOnly)
{
    std::ofstream(workFolder / "mono.f32", std::ios::binary).write("\0\0\x80\x3F\0\0\0\xBF\x01\x02", 10);
    EXPECT_EQ(readAnalysisAudio(), (std::vector<float>{1.0f, -0.5f}));
    EXPECT_FALSE(std::filesystem::exists(workFolder / "mono.f32"));

    std::ofstream(workFolder / "mono.f32", std::ios::binary).close();
    EXPECT_TRUE(readAnalysisAudio().empty());
}

TEST_F(Decoder, DecodesEveryDemoFormat)
{
    const auto source = shortSong("demo.wav", 24 * 48000);
    const auto decoder = installFolder() / platform::decoderFileName();
    const std::vector<std::pair<std::string, std::vector<std::string>>> formats = {
        {"wav", {}},
        {"mp3", {"-c:a", "libmp3lame", "-b:a", "96k"}},
        {"flac", {}},
        {"ogg", {"-c:a", "libvorbis"}},
        {"m4a", {"-c:a", "aac"}},
        {"aac", {"-c:a", "aac"}},
        {"opus", {"-c:a", "libopus"}},
        {"wma", {"-c:a", "wmav2"}},
    };
    for (const auto& [extension, codec] : formats) {
        SCOPED_TRACE(extension);
        const auto encoded = songs.path / ("encoded." + extension);
        std::vector<std::filesystem::path> args = {"-hide_banner", "-loglevel", "error", "-i", source};
        args.insert(args.end(), codec.begin(), codec.end());
        args.push_back(encoded);
        ASSERT_EQ(testsupport::runProgram(decoder, args, songs.path), 0);
        const std::vector<float> audio = decodeSong(encoded);
        EXPECT_NEAR(audio.size() / 2.0 / 48000, 24.0, 0.1);
        if (extension == "wav" || extension == "flac") {
            EXPECT_EQ(audio[audio.size() / 2], 0.25f);
            EXPECT_EQ(audio[audio.size() / 2 + 1], -0.5f);
        }
        EXPECT_FALSE(readAnalysisAudio().empty());
    }
}

TEST(FreeSpace, WalksUpToAnExistingFolderAndCountsTheReserve)
{
    TempFolder folder("space");
    const auto missing = folder.path / "not" / "yet" / "made";
    EXPECT_NO_THROW(ensureFreeSpace(missing, 0));
    const std::string full = "Falta espacio: deja al menos 512 MB libres, ademas del audio a exportar.";
    EXPECT_EQ(messageOf([&] { ensureFreeSpace(missing, UINT64_MAX / 2); }), full);
    EXPECT_EQ(messageOf([&] { ensureFreeSpace(folder.path, UINT64_MAX); }), full);  // no wrap-around
}

} // namespace
