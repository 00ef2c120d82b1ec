#include <gtest/gtest.h>

#include <shellapi.h>
#include <windows.h>

#include "app/utf.h"
#include "audio/decoder.h"

namespace {

// The system's own splitter must give every quoted argument back unchanged.
TEST(QuoteArgument, SurvivesTheSystemArgumentSplitter)
{
    const std::vector<std::u16string> hostile = {
        u"", u" ", u"plain", u"two words", u"C:\\a b\\", u"C:\\trailing\\\\", u"\"", u"\\\"", u"\\\\\"",
        u"a\\\"b", u"say \"hi\" there", u"\\\\server\\share\\", u"tab\there", u"ñandú ß €", u"--verify",
        u"%PATH%", u"a^b&c|d<e>f", u"\"\"\"", u"x\\\\\\",
    };
    for (const std::u16string& text : hostile) {
        const std::u16string line = u"program.exe " + quoteArgument(text) + u" " + quoteArgument(u"after");
        int count = 0;
        LPWSTR* args = CommandLineToArgvW(reinterpret_cast<const wchar_t*>(line.c_str()), &count);
        ASSERT_NE(args, nullptr);
        ASSERT_EQ(count, 3) << utf16ToUtf8(text);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(args[1])), text) << utf16ToUtf8(text);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(args[2])), u"after");
        LocalFree(args);
    }
}

} // namespace
