#include <gtest/gtest.h>

#include "base/utf.h"
#include "audio/wav_fixture.h"
#include "platform/ini_file.h"
#include "support/run_program.h"
#include "support/utf16_file.h"

namespace {

using testsupport::utf16File;
using testsupport::writeBytes;

// The same table runs against the system's functions on Windows and against
// our own writer elsewhere, so both produce the same bytes.
TEST(IniFile, WritesTheSystemsBytes)
{
    struct Case {
        std::u16string before, section, key, value, after;
    };
    const std::vector<Case> cases = {
        {u"", u"Orvane", u"Start", u"1.5", u"[Orvane]\r\nStart=1.5\r\n"},
        {u"[Orvane]\r\nSource=a\r\n", u"Orvane", u"Start", u"2", u"[Orvane]\r\nSource=a\r\nStart=2\r\n"},
        {u"[Orvane]\r\nStart=1\r\nEnd=2\r\n", u"Orvane", u"Start", u"9", u"[Orvane]\r\nStart=9\r\nEnd=2\r\n"},
        {u"[orvane]\r\nSTART=1\r\n", u"Orvane", u"start", u"ñ", u"[orvane]\r\nSTART=ñ\r\n"},
        {u"[A]\r\nx=1\r\n[Orvane]\r\nStart=1\r\n", u"A", u"y", u"2",
         u"[A]\r\nx=1\r\ny=2\r\n[Orvane]\r\nStart=1\r\n"},
        {u"[A]\r\nx=1\r\n", u"Orvane", u"Start", u"2", u"[A]\r\nx=1\r\n[Orvane]\r\nStart=2\r\n"},
        {u"[Orvane]\r\nStart=1\r\n", u"Orvane", u"Output", u"C:\\Music\\Tamrel Loops",
         u"[Orvane]\r\nStart=1\r\nOutput=C:\\Music\\Tamrel Loops\r\n"},
    };
    testsupport::TempFolder folder("ini");
    const auto file = folder.path / "test.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.before + u" + " + c.key));
        writeBytes(file, utf16File(c.before));
        ASSERT_TRUE(platform::writeIniString(file, c.section, c.key, c.value));
        EXPECT_EQ(testsupport::readBytes(file), utf16File(c.after));
    }
}

TEST(IniFile, ReadsValuesAsTheSystemDoes)
{
    struct Case {
        std::u16string content, section, key, expected;
    };
    const std::vector<Case> cases = {
        {u"[Orvane]\r\nStart=12.5\r\n", u"Orvane", u"Start", u"12.5"},
        {u"[Orvane]\r\n  Start  =  12.5  \r\n", u"Orvane", u"Start", u"12.5"},
        {u"[ORVANE]\r\nstart=1\r\n", u"orvane", u"START", u"1"},
        {u"[Orvane]\r\nSource=\"C:\\a b.mp3\"\r\n", u"Orvane", u"Source", u"C:\\a b.mp3"},
        {u"[Orvane]\nStart=1\nEnd=2\n", u"Orvane", u"End", u"2"},
        {u"[Other]\r\nStart=1\r\n[Orvane]\r\nEnd=2\r\n", u"Orvane", u"Start", u"fallback"},
        {u"[Orvane]\r\nStart=1\r\nStart=2\r\n", u"Orvane", u"Start", u"1"},
        {u"[Orvane]\r\nStart=a=b\r\n", u"Orvane", u"Start", u"a=b"},
        {u"[Orvane]\r\nEmpty=\r\n", u"Orvane", u"Empty", u""},
        {u"", u"Orvane", u"Start", u"fallback"},
    };
    testsupport::TempFolder folder("ini");
    const auto file = folder.path / "test.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.content + u" / " + c.key));
        writeBytes(file, utf16File(c.content));
        EXPECT_EQ(platform::readIniString(file, c.section, c.key, u"fallback"), c.expected);
    }
    EXPECT_EQ(platform::readIniString(folder.path / "missing.ini", u"Orvane", u"Start", u"fallback"), u"fallback");

    // A value longer than the system's buffer comes back cut to it.
    writeBytes(file, utf16File(u"[Orvane]\r\nLong=" + std::u16string(40000, u'x') + u"\r\n"));
    EXPECT_EQ(platform::readIniString(file, u"Orvane", u"Long", u""), std::u16string(platform::kIniValueLimit, u'x'));
}

} // namespace
