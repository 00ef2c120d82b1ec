#include <gtest/gtest.h>

#include "base/utf.h"
#include "platform/win32/argument_quoting.h"

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
        EXPECT_EQ(platform::quoteCommandArgument<char16_t>(text), quoted) << utf16ToUtf8(text);
}

TEST(JoinCommandLine, QuotesAllButPlainWords)
{
    const std::vector<std::u16string> arguments = {u"C:\\app\\ffmpeg.exe", u"-i", u"", u"0:a:0",
                                                   u"aresample=filter_size=64", u"D:\\a b.mp3", u"pipe:1"};
    EXPECT_EQ(platform::joinCommandLine(arguments),
              u"\"C:\\app\\ffmpeg.exe\" -i \"\" 0:a:0 aresample=filter_size=64 \"D:\\a b.mp3\" pipe:1");
}

} // namespace
