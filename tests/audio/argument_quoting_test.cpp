#include <gtest/gtest.h>

#include "app/utf.h"
#include "audio/decoder.h"
#include "audio/decoder_run.h"

namespace {

TEST(QuoteArgument, DoublesBackslashesOnlyBeforeQuotes)
{
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"", u"\"\""},
        {u"plain", u"\"plain\""},
        {u"C:\\a b\\", u"\"C:\\a b\\\\\""},
        {u"a\\\"b", u"\"a\\\\\\\"b\""},
        {u"say \"hi\"", u"\"say \\\"hi\\\"\""},
        {u"\\\\server\\share", u"\"\\\\server\\share\""},
        {u"tail\\\\", u"\"tail\\\\\\\\\""},
        {u"ñandú", u"\"ñandú\""},
    };
    for (const auto& [text, quoted] : cases)
        EXPECT_EQ(quoteArgument(text), quoted) << utf16ToUtf8(text);
}

TEST(DecoderCommand, IsTheFixedCommandLineWithThreeQuotedPaths)
{
    const std::filesystem::path decoder = "/opt/app/ffmpeg", song = "/music/a b.mp3", mono = "/tmp/TMV1.tmp/mono.f32";
    const std::string expected =
        "\"/opt/app/ffmpeg\" -hide_banner -loglevel error -nostdin -threads 1 -filter_threads 1 "
        "-protocol_whitelist file,pipe -i \"/music/a b.mp3\" -map 0:a:0 -vn -sn -dn -t 1200.02 -ac 2 -ar 48000 "
        "-f f32le -c:a pcm_f32le pipe:1 -map 0:a:0 -vn -sn -dn -t 1200.02 -ac 1 -ar 22050 "
        "-af aresample=filter_size=64:phase_shift=10 -f f32le -c:a pcm_f32le -y \"/tmp/TMV1.tmp/mono.f32\"";
    EXPECT_EQ(std::filesystem::path(decoderCommandLine(decoder, song, mono)), std::filesystem::path(expected));

    const auto arguments = decoderArguments(decoder, song, mono);
    ASSERT_EQ(arguments.size(), 48u);
    EXPECT_EQ(std::filesystem::path(arguments[12]), std::filesystem::path("file:/music/a b.mp3"));
    EXPECT_EQ(std::filesystem::path(arguments.back()), std::filesystem::path("file:/tmp/TMV1.tmp/mono.f32"));
}

} // namespace
