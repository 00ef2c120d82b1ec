#include "session/session_file.h"

#include <charconv>
#include <stdexcept>
#include <string>

#include "base/utf.h"
#include "platform/ini_file.h"
#include "analysis/cut_rule.h"
#include "base/number_field.h"

namespace {

// Fixed notation with a point, as the window shows numbers; the value is finite.
std::u16string fixed(double value, int decimals)
{
    char text[400];  // the largest double has 309 integer digits
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::u16string(text, result.ptr);
}

void writeKey(const std::filesystem::path& file, std::u16string_view key, std::u16string_view value)
{
    if (!platform::writeIniString(file, kSessionSection, key, value))
        throw std::runtime_error(kSessionWriteFailedMessage);
}

} // namespace

void saveSession(const std::filesystem::path& file, const SessionFields& fields, uint64_t songFrames,
                 const std::filesystem::path& songPath, const std::filesystem::path& outputFolder)
{
    const Loop cuts = readCutFields(fields.start, fields.end, fields.outro);
    const double crossfadeMs = readNumberField(fields.crossfade);
    validateCuts(songFrames, cuts.start, cuts.end, cuts.outro, crossfadeMs / 1000.0);
    // Only a count the session can be opened with again is stored. Every
    // value is checked before the file is touched: a refused save leaves an
    // existing session as it was.
    const int repetitions = checkedRepetitions(readNumberField(fields.repetitions));

    // The song is never written to, even when the save dialog is pointed at it.
    std::error_code unknown;
    if (std::filesystem::equivalent(file, songPath, unknown))
        throw std::runtime_error(kSessionWriteFailedMessage);

    platform::startUtf16IniFile(file);
    writeKey(file, u"Source", pathToUtf16(songPath));
    writeKey(file, u"Output", pathToUtf16(outputFolder));
    writeKey(file, u"Start", fixed(cuts.start, 9));
    writeKey(file, u"End", fixed(cuts.end, 9));
    writeKey(file, u"Outro", fixed(cuts.outro, 9));
    writeKey(file, u"Fade", fixed(crossfadeMs, 3));
    writeKey(file, u"Repeats", fixed(repetitions, 0));
}

std::u16string readIniValue(const std::filesystem::path& iniFile, std::u16string_view key)
{
    return platform::readIniString(iniFile, kSessionSection, key, u"");
}

OpenedSession openSession(const std::filesystem::path& file, const std::filesystem::path& currentOutputFolder)
{
    OpenedSession session;
    const std::u16string source = readIniValue(file, u"Source");
    if (source.empty())
        throw std::runtime_error(kSessionSongMovedMessage);
    session.song = pathFromUtf16(source);
    if (!std::filesystem::is_regular_file(session.song))
        throw std::runtime_error(kSessionSongMovedMessage);

    const double start = std::stod(utf16ToUtf8(readIniValue(file, u"Start")));
    const double end = std::stod(utf16ToUtf8(readIniValue(file, u"End")));
    const double outro = std::stod(utf16ToUtf8(readIniValue(file, u"Outro")));
    session.cuts = cutRecord(start, end, outro);
    session.crossfadeMs = std::stoi(utf16ToUtf8(readIniValue(file, u"Fade")));
    session.repetitions = std::stoi(utf16ToUtf8(readIniValue(file, u"Repeats")));
    if (session.repetitions < kFewestRepetitions || session.repetitions > kMostRepetitions ||
        session.crossfadeMs < 1000 * kShortestFadeSeconds || session.crossfadeMs > 1000 * kLongestFadeSeconds)
        throw std::runtime_error(kSessionOutOfRangeMessage);

    const std::u16string output = readIniValue(file, u"Output");
    session.outputFolder = output.empty() ? currentOutputFolder : pathFromUtf16(output);
    return session;
}
