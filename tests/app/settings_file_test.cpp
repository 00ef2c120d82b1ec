#include <gtest/gtest.h>

#include "app/settings.h"
#include "base/utf.h"
#include "audio/wav_fixture.h"
#include "platform/ini_file.h"
#include "support/run_program.h"
#include "support/utf16_file.h"

namespace {

using testsupport::utf16File;
using testsupport::writeBytes;

TEST(SettingsFile, StoredOutputFolderHasTheSystemsExactBytesAndReadsBack)
{
    testsupport::TempFolder folder("settings");
    Folders folders;
    folders.settingsFile = folder.path / "settings.ini";
    const std::filesystem::path& settingsFile = folders.settingsFile;
    writeBytes(settingsFile, "\xFF\xFE");
    const std::u16string chosen = u"D:\\Música\\Tamrel Loops ñ";
    storeOutputFolder(folders, pathFromUtf8(utf16ToUtf8(chosen)));

    EXPECT_EQ(testsupport::readBytes(settingsFile), utf16File(u"[Preferences]\r\nOutput=" + chosen + u"\r\n"));
    EXPECT_EQ(platform::readIniString(settingsFile, u"Preferences", u"Output", u"default"), chosen);

    storeOutputFolder(folders, "E:\\otra");  // replaced in place, not added
    EXPECT_EQ(testsupport::readBytes(settingsFile), utf16File(u"[Preferences]\r\nOutput=E:\\otra\r\n"));
}

} // namespace
