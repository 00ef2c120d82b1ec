#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "base/utf.h"
#include "audio/decoder_run.h"
#include "platform/win32/argument_quoting.h"

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
        const std::u16string line = u"program.exe " + platform::quoteCommandArgument<char16_t>(text) + u" " + platform::quoteCommandArgument<char16_t>(u"after");
        int count = 0;
        LPWSTR* args = CommandLineToArgvW(reinterpret_cast<const wchar_t*>(line.c_str()), &count);
        ASSERT_NE(args, nullptr);
        ASSERT_EQ(count, 3) << utf16ToUtf8(text);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(args[1])), text) << utf16ToUtf8(text);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(args[2])), u"after");
        LocalFree(args);
    }
}

// The decoder's whole command line, hostile paths included, splits back into
// exactly its argument list.
TEST(JoinCommandLine, DecoderCommandLineSplitsIntoItsArguments)
{
    const auto arguments = decoderArguments(L"C:\\Program Files\\Tamrel\\ffmpeg.exe",
                                            L"D:\\m\u00fasica\\say \"hi\"\\a\\ b.mp3", L"C:\\T\\TMV1.tmp\\mono.f32");
    const std::wstring line = platform::joinCommandLine(arguments);
    int count = 0;
    LPWSTR* split = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(split, nullptr);
    ASSERT_EQ(static_cast<size_t>(count), arguments.size());
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(std::wstring(split[i]), arguments[static_cast<size_t>(i)]) << i;
    LocalFree(split);
}

} // namespace
