#include "session/session_file.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "base/utf.h"
#include "platform/ini_file.h"
#include "analysis/cut_rule.h"
#include "base/number_format.h"

namespace {

std::u16string fixed(double value, int decimals) { return utf8ToUtf16(fixedPoint(value, decimals)); }

void writeKey(const std::filesystem::path& file, std::u16string_view key, std::u16string_view value)
{
    if (!platform::writeIniString(file, kSessionSection, key, value))
        throw std::runtime_error(kSessionWriteFailedMessage);
}

// Sessions without a target keep exactly the keys they always had.
void writeTargetKeys(const std::filesystem::path& file, const SessionTarget& target)
{
    if (!target.seconds)
        return;
    writeKey(file, u"Target", fixed(*target.seconds, 3));
    writeKey(file, u"Exact", target.exact ? u"1" : u"0");
}

// Read after the other settings; a file saved before targets existed has none.
void readTargetKeys(const std::filesystem::path& file, OpenedSession& session)
{
    const std::u16string target = readIniValue(file, u"Target");
    if (target.empty())
        return;
    // Unlike the older keys, nothing may follow the number: "2:30" typed
    // by hand must not open as a target of two seconds.
    const std::string text = utf16ToUtf8(target);
    size_t used = 0;
    const double seconds = std::stod(text, &used);
    if (used != text.size() || !(seconds > 0) || !std::isfinite(seconds))
        throw std::runtime_error(kSessionOutOfRangeMessage);
    session.target.seconds = seconds;
    session.target.exact = readIniValue(file, u"Exact") == u"1";
}

} // namespace

void saveSession(const std::filesystem::path& file, const CutSettings& settings, uint64_t songFrames,
                 const std::filesystem::path& songPath, const std::filesystem::path& outputFolder,
                 const SessionTarget& target)
{
    const Loop& cuts = settings.cuts;
    validateCuts(songFrames, cuts.start, cuts.end, cuts.outro, fadeSecondsOf(settings));
    // Only a count the session can be opened with again is stored, and an
    // existing file stays as it was when the count is refused.
    if (settings.repetitions < kFewestRepetitions || settings.repetitions > kMostRepetitions)
        throw std::runtime_error(kRepetitionsMessage);
    if (target.seconds && (!(*target.seconds > 0) || !std::isfinite(*target.seconds)))
        throw std::runtime_error(kSessionOutOfRangeMessage);

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
    writeKey(file, u"Fade", fixed(settings.fadeMs, 3));
    writeKey(file, u"Repeats", fixed(settings.repetitions, 0));
    writeTargetKeys(file, target);
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

    readTargetKeys(file, session);

    const std::u16string output = readIniValue(file, u"Output");
    session.outputFolder = output.empty() ? currentOutputFolder : pathFromUtf16(output);
    return session;
}
