#include <gtest/gtest.h>

#include <string>

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
    // Each path goes in the form the platform gives files to the decoder.
    EXPECT_EQ(arguments[12], platform::decoderFileArgument(song));
    EXPECT_EQ(arguments.back(), platform::decoderFileArgument(mono));
}

} // namespace
