// The same byte tables run natively against our own INI writer and reader and
// under Windows against the system's profile functions: a file either one
// writes is the file the other reads.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "base/utf.h"
#include "audio/wav_fixture.h"
#include "analysis/cut_rule.h"
#include <cmath>
#include "session/session_file.h"
#include "support/run_program.h"
#include "support/utf16_file.h"

namespace {

using testsupport::readBytes;
using testsupport::utf16File;
using testsupport::writeBytes;

constexpr uint64_t kSongFrames = 48000 * 130;
CutSettings settings(double a, double b, double o, double fadeMs, int repetitions)
{
    return {cutRecord(a, b, o), fadeMs, repetitions};
}
const CutSettings kFields = settings(8, 40, 120, 60, 2);

std::u16string text(const std::filesystem::path& path) { return utf8ToUtf16(pathToUtf8(path)); }
std::filesystem::path pathOf(std::u16string_view text) { return pathFromUtf8(utf16ToUtf8(text)); }

// A folder holding a song file whose name needs more than one UTF-16 unit per
// character in places.
struct SessionFolder {
    testsupport::TempFolder folder{"session"};
    std::u16string songText = text(folder.path) + std::u16string(1, std::filesystem::path::preferred_separator) +
                              u"canción 歌 \U0001D11E.mp3";
    std::filesystem::path song = pathOf(songText);
    std::filesystem::path file = folder.path / "proyecto.tamrelloop";
    SessionFolder() { std::ofstream(song, std::ios::binary).put('x'); }
};

const std::u16string kOutputText = u"Música de prueba ñ 音 \U0001F3B5";

std::u16string sessionText(std::u16string_view source, std::u16string_view output, std::u16string_view values)
{
    return u"[Orvane]\r\nSource=" + std::u16string(source) + u"\r\nOutput=" + std::u16string(output) + u"\r\n" +
           std::u16string(values);
}

const std::u16string kSavedValues =
    u"Start=8.000000000\r\nEnd=40.000000000\r\nOutro=120.000000000\r\nFade=60.000\r\nRepeats=2\r\n";

// Runs f and expects an exception of exactly type E carrying message.
template <typename E, typename F>
void expectError(F f, const std::string& message)
{
    try {
        f();
        ADD_FAILURE() << "no exception, expected \"" << message << "\"";
    } catch (const std::exception& e) {
        EXPECT_EQ(typeid(e), typeid(E)) << e.what();
        EXPECT_EQ(e.what(), message);
    }
}

TEST(SessionFile, SavesTheWholeFileInKeyOrder)
{
    SessionFolder s;
    writeBytes(s.file, utf16File(u"[Orvane]\r\nOld=1\r\n"));  // replaced, not merged
    saveSession(s.file, kFields, kSongFrames, s.song, pathOf(kOutputText));
    EXPECT_EQ(readBytes(s.file), utf16File(sessionText(s.songText, kOutputText, kSavedValues)));

    // Values keep only the decimals of the file.
    saveSession(s.file, settings(8.0000001, 40.25, 120, 60.0004, 2), kSongFrames, s.song, "");
    EXPECT_EQ(readBytes(s.file),
              utf16File(sessionText(s.songText, u"",
                                    u"Start=8.000000100\r\nEnd=40.250000000\r\nOutro=120.000000000\r\n"
                                    u"Fade=60.000\r\nRepeats=2\r\n")));
}

TEST(SessionFile, RefusedSavesLeaveAnExistingFileAsItWas)
{
    SessionFolder s;
    const std::string before = utf16File(u"[Orvane]\r\nSource=before\r\n");
    const std::string allButRepeats = utf16File(sessionText(
        s.songText, kOutputText, u"Start=8.000000000\r\nEnd=40.000000000\r\nOutro=120.000000000\r\nFade=60.000\r\n"));
    struct Case {
        CutSettings fields;
        uint64_t songFrames;
        std::string message;
    };
    const std::vector<Case> cases = {
        {settings(8, 40, 120, 4, 2), kSongFrames, kInvalidCutsMessage},
        {settings(8, 40, 120, 251, 2), kSongFrames, kInvalidCutsMessage},
        {settings(40, 8, 120, 60, 2), kSongFrames, kInvalidCutsMessage},
        {settings(8, 40, 120, std::nan(""), 2), kSongFrames, kInvalidCutsMessage},
        {kFields, 0, kInvalidCutsMessage},  // no song loaded
        // Refused before the file is touched: it used to be cut down to six keys.
        {settings(8, 40, 120, 60, 0), kSongFrames, kRepetitionsMessage},
        {settings(8, 40, 120, 60, 101), kSongFrames, kRepetitionsMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + " " + std::to_string(c.fields.repetitions));
        writeBytes(s.file, before);
        expectError<std::runtime_error>(
            [&] { saveSession(s.file, c.fields, c.songFrames, s.song, pathOf(kOutputText)); }, c.message);
        EXPECT_EQ(readBytes(s.file), before);
    }
    for (const auto& [count, stored] : {std::pair{1, u"1"}, {100, u"100"}}) {
        saveSession(s.file, settings(8, 40, 120, 60, count), kSongFrames, s.song, pathOf(kOutputText));
        const std::string repeatsLine = utf16File(u"Repeats=" + std::u16string(stored) + u"\r\n").substr(2);
        EXPECT_EQ(readBytes(s.file), allButRepeats + repeatsLine);
    }

    expectError<std::runtime_error>(
        [&] { saveSession(s.folder.path / "missing" / "a.tamrelloop", kFields, kSongFrames, s.song, ""); },
        kSessionWriteFailedMessage);
    EXPECT_FALSE(std::filesystem::exists(s.folder.path / "missing"));

    // A save pointed at the song itself, by any spelling of its path, leaves it as it was.
    for (const std::filesystem::path& target : {s.song, s.song.parent_path() / "." / s.song.filename()}) {
        expectError<std::runtime_error>([&] { saveSession(target, kFields, kSongFrames, s.song, ""); },
                                        kSessionWriteFailedMessage);
        EXPECT_EQ(readBytes(s.song), "x");
    }
}

TEST(SessionFile, OpensWhatWasSaved)
{
    SessionFolder s;
    saveSession(s.file, settings(8.5, 40.125, 120, 35, 7), kSongFrames, s.song, pathOf(kOutputText));
    const OpenedSession opened = openSession(s.file, "current");
    EXPECT_EQ(opened.song, s.song);
    EXPECT_TRUE(std::filesystem::is_regular_file(opened.song));
    EXPECT_EQ(text(opened.outputFolder), kOutputText);
    EXPECT_EQ(opened.cuts.start, 8.5);
    EXPECT_EQ(opened.cuts.end, 40.125);
    EXPECT_EQ(opened.cuts.outro, 120.0);
    EXPECT_EQ(opened.cuts.startBeat, -1);
    EXPECT_EQ(opened.cuts.endBeat, -1);
    EXPECT_EQ(opened.cuts.outroBeat, -1);
    EXPECT_EQ(opened.cuts.score, 0.0);
    EXPECT_EQ(opened.crossfadeMs, 35);
    EXPECT_EQ(opened.repetitions, 7);
}

// Files as a person or another program may have left them.
TEST(SessionFile, OpensStoredValuesByTheStandardConversions)
{
    SessionFolder s;
    struct Case {
        std::u16string output, values;
        double start;
        int32_t crossfadeMs, repetitions;
        std::u16string openedOutput;
    };
    const std::vector<Case> cases = {
        {kOutputText, kSavedValues, 8.0, 60, 2, kOutputText},
        {u"", kSavedValues, 8.0, 60, 2, u"current"},
        {u"x", u"Start= 12.5 s\r\nEnd=40\r\nOutro=1.2e2\r\nFade=60.9\r\nRepeats=2x\r\n", 12.5, 60, 2, u"x"},
        {u"x", u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=5\r\nRepeats=1\r\n", 8.0, 5, 1, u"x"},
        {u"x", u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=250\r\nRepeats=100\r\n", 8.0, 250, 100, u"x"},
        {u"x", u"start=8\r\nEND=40\r\nOutro=120\r\nFade=+60\r\nRepeats=2\r\n", 8.0, 60, 2, u"x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.values));
        writeBytes(s.file, utf16File(sessionText(s.songText, c.output, c.values)));
        const OpenedSession opened = openSession(s.file, "current");
        EXPECT_EQ(opened.song, s.song);
        EXPECT_EQ(opened.cuts.start, c.start);
        EXPECT_EQ(opened.crossfadeMs, c.crossfadeMs);
        EXPECT_EQ(opened.repetitions, c.repetitions);
        EXPECT_EQ(text(opened.outputFolder), c.openedOutput);
    }
}

TEST(SessionFile, OpenFailures)
{
    SessionFolder s;
    const std::u16string moved = text(s.folder.path / "otra.mp3");
    const std::u16string folder = text(s.folder.path);
    // Nothing else in these files would read: the song is looked at first.
    const std::u16string garbage = u"Start=x\r\nEnd=x\r\nOutro=x\r\nFade=1000\r\nRepeats=0\r\n";
    for (const std::u16string& content :
         {sessionText(moved, u"", garbage), sessionText(folder, u"", garbage), sessionText(u"", u"", garbage),
          u"[Otra]\r\nSource=" + s.songText + u"\r\n" + kSavedValues, std::u16string()}) {
        SCOPED_TRACE(utf16ToUtf8(content));
        writeBytes(s.file, utf16File(content));
        expectError<std::runtime_error>([&] { openSession(s.file, "current"); }, kSessionSongMovedMessage);
    }
    expectError<std::runtime_error>([&] { openSession(s.folder.path / "no.tamrelloop", ""); },
                                    kSessionSongMovedMessage);

    struct Case {
        std::u16string values;
        const std::type_info& type;
        std::string message;
    };
    const std::vector<Case> cases = {
        {u"Start=x\r\nEnd=40\r\nOutro=120\r\nFade=60\r\nRepeats=2\r\n", typeid(std::invalid_argument), "stod"},
        {u"Start=8\r\nEnd=\r\nOutro=120\r\nFade=60\r\nRepeats=2\r\n", typeid(std::invalid_argument), "stod"},
        {u"Start=8\r\nEnd=40\r\nFade=60\r\nRepeats=2\r\n", typeid(std::invalid_argument), "stod"},
        {u"Start=8\r\nEnd=40\r\nOutro=1e999\r\nFade=60\r\nRepeats=2\r\n", typeid(std::out_of_range), "stod"},
        {u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=,5\r\nRepeats=2\r\n", typeid(std::invalid_argument), "stoi"},
        {u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=60\r\n", typeid(std::invalid_argument), "stoi"},
        {u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=60\r\nRepeats=99999999999\r\n", typeid(std::out_of_range), "stoi"},
        {u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=4\r\nRepeats=2\r\n", typeid(std::runtime_error),
         kSessionOutOfRangeMessage},
        {u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=251\r\nRepeats=2\r\n", typeid(std::runtime_error),
         kSessionOutOfRangeMessage},
        {u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=60\r\nRepeats=0\r\n", typeid(std::runtime_error),
         kSessionOutOfRangeMessage},
        {u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=60\r\nRepeats=101\r\n", typeid(std::runtime_error),
         kSessionOutOfRangeMessage},
        {u"Start=8\r\nEnd=40\r\nOutro=120\r\nFade=-60\r\nRepeats=2\r\n", typeid(std::runtime_error),
         kSessionOutOfRangeMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.values));
        writeBytes(s.file, utf16File(sessionText(s.songText, u"", c.values)));
        try {
            openSession(s.file, "current");
            ADD_FAILURE() << "opened";
        } catch (const std::exception& e) {
            EXPECT_EQ(typeid(e), c.type) << e.what();
            EXPECT_EQ(e.what(), c.message);
        }
    }
}

TEST(SessionFile, ReadIniValueReadsOnlyTheSessionSection)
{
    testsupport::TempFolder folder("settings");
    const auto session = folder.path / "song.tamrelloop";
    testsupport::writeBytes(session, testsupport::utf16File(u"[Preferences]\r\nOutput=wrong\r\nStart=9\r\n[Orvane]\r\nSource=C:\\música\\a.mp3\r\n"
                                  u"Start=12.500000000\r\nEmpty=\r\n"));
    EXPECT_EQ(readIniValue(session, u"Source"), u"C:\\música\\a.mp3");
    EXPECT_EQ(readIniValue(session, u"Start"), u"12.500000000");
    EXPECT_EQ(readIniValue(session, u"Empty"), u"");
    EXPECT_EQ(readIniValue(session, u"Output"), u"");
    EXPECT_EQ(readIniValue(folder.path / "missing.tamrelloop", u"Source"), u"");
}

} // namespace

// A target duration adds two keys after the others; a session without one is
// the same file as before, and opens without a target.
TEST(SessionFile, TargetDurationKeys)
{
    SessionFolder s;
    const struct {
        SessionTarget target;
        std::u16string keys;
    } cases[] = {
        {{}, u""},
        {{157.25, true}, u"Target=157.250\r\nExact=1\r\n"},
        {{90.0004, false}, u"Target=90.000\r\nExact=0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.keys));
        saveSession(s.file, kFields, kSongFrames, s.song, pathOf(kOutputText), c.target);
        EXPECT_EQ(readBytes(s.file), utf16File(sessionText(s.songText, kOutputText, kSavedValues + c.keys)));
        const OpenedSession opened = openSession(s.file, "current");
        EXPECT_EQ(opened.target.seconds.has_value(), c.target.seconds.has_value());
        if (c.target.seconds) {
            EXPECT_NEAR(*opened.target.seconds, *c.target.seconds, 0.0005);
        }
        EXPECT_EQ(opened.target.exact, c.target.exact);
        EXPECT_EQ(opened.repetitions, 2);
    }

    // Written by hand: an exact flag without a target means nothing; a target
    // that is not a positive duration is refused like other bad settings.
    writeBytes(s.file, utf16File(sessionText(s.songText, u"", kSavedValues + u"Exact=1\r\n")));
    EXPECT_FALSE(openSession(s.file, "current").target.seconds);
    for (const char16_t* bad : {u"Target=0\r\n", u"Target=-5\r\n", u"Target=inf\r\n", u"Target=2:30\r\n"}) {
        writeBytes(s.file, utf16File(sessionText(s.songText, u"", kSavedValues + bad)));
        expectError<std::runtime_error>([&] { openSession(s.file, "current"); }, kSessionOutOfRangeMessage);
    }
    writeBytes(s.file, utf16File(sessionText(s.songText, u"", kSavedValues + u"Target=abc\r\n")));
    expectError<std::invalid_argument>([&] { openSession(s.file, "current"); }, "stod");
}
