#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "audio/decoder_run.h"

namespace {

TEST(DecoderCommand, IsTheFixedArgumentListAroundTheTwoPaths)
{
    const std::filesystem::path decoder = "/opt/app/ffmpeg", song = "/music/a b.mp3", mono = "/tmp/TMV1.tmp/mono.f32";
    const std::string expected =
        "/opt/app/ffmpeg -hide_banner -loglevel error -nostdin -threads 1 -filter_threads 1 "
        "-protocol_whitelist file,pipe -i SONG -map 0:a:0 -vn -sn -dn -t 1200.02 -ac 2 -ar 48000 "
        "-f f32le -c:a pcm_f32le pipe:1 -map 0:a:0 -vn -sn -dn -t 1200.02 -ac 1 -ar 22050 "
        "-af aresample=filter_size=64:phase_shift=10 -f f32le -c:a pcm_f32le -y MONO";
    const auto arguments = decoderArguments(decoder, song, mono);
    ASSERT_EQ(arguments.size(), 48u);
    std::string joined;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string word = i == 12 ? "SONG" : i == 47 ? "MONO" : std::filesystem::path(arguments[i]).string();
        joined += (i == 0 ? "" : " ") + word;
    }
    EXPECT_EQ(joined, expected);
    // Each path goes in the form that keeps it a file for the decoder.
    EXPECT_EQ(arguments[12], decoderFileArgument(song));
    EXPECT_EQ(arguments.back(), decoderFileArgument(mono));
}

// "name:rest" is a protocol to the decoder unless the path starts with a
// drive or a share, which only Windows paths do.
TEST(DecoderCommand, FilePathsAreNeverTakenForProtocols)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"pipe:1.mp3", "file:pipe:1.mp3"},
        {"http:x.mp3", "file:http:x.mp3"},
#ifdef _WIN32
        {"C:\\m\\a b.mp3", "C:\\m\\a b.mp3"},
        {"Z:/tmp/pipe:1.mp3", "Z:/tmp/pipe:1.mp3"},
        {"\\\\server\\share\\a.mp3", "\\\\server\\share\\a.mp3"},
#else
        {"/music/a b.mp3", "file:/music/a b.mp3"},
        {"/tmp/pipe:1.mp3", "file:/tmp/pipe:1.mp3"},
        {"C:\\m\\a.mp3", "file:C:\\m\\a.mp3"},
#endif
    };
    for (const auto& [path, argument] : cases)
        EXPECT_EQ(std::filesystem::path(decoderFileArgument(path)).string(), argument) << path;
}

} // namespace
