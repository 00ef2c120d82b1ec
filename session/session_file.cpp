#include "session/session_file.h"

#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>

#include "base/utf.h"
#include "platform/ini_file.h"
#include "analysis/cut_rule.h"
#include "base/number_format.h"

namespace {

std::u16string toUtf16(const std::filesystem::path& path) { return utf8ToUtf16(pathToUtf8(path)); }
std::filesystem::path fromUtf16(std::u16string_view text) { return pathFromUtf8(utf16ToUtf8(text)); }

std::u16string fixed(double value, int decimals) { return utf8ToUtf16(fixedPoint(value, decimals)); }

void writeKey(const std::filesystem::path& file, std::u16string_view key, std::u16string_view value)
{
    if (!platform::writeIniString(file, kSessionSection, key, value))
        throw std::runtime_error(kSessionWriteFailedMessage);
}

} // namespace

void saveSession(const std::filesystem::path& file, const CutSettings& settings, uint64_t songFrames,
                 const std::filesystem::path& songPath, const std::filesystem::path& outputFolder)
{
    const Loop& cuts = settings.cuts;
    validateCuts(songFrames, cuts.start, cuts.end, cuts.outro, settings.fadeSeconds);
    // Only a count the session can be opened with again is stored, and an
    // existing file stays as it was when the count is refused.
    if (settings.repetitions < kFewestRepetitions || settings.repetitions > kMostRepetitions)
        throw std::runtime_error(kSessionRepetitionsMessage);

    // The song is never written to, even when the save dialog is pointed at it.
    std::error_code unknown;
    if (std::filesystem::equivalent(file, songPath, unknown))
        throw std::runtime_error(kSessionWriteFailedMessage);

    // The byte-order mark makes the profile writer store UTF-16 text. A file
    // that cannot be created fails the first key write instead.
    std::ofstream(file, std::ios::binary | std::ios::trunc).write("\xFF\xFE", 2);
    writeKey(file, u"Source", toUtf16(songPath));
    writeKey(file, u"Output", toUtf16(outputFolder));
    writeKey(file, u"Start", fixed(cuts.start, 9));
    writeKey(file, u"End", fixed(cuts.end, 9));
    writeKey(file, u"Outro", fixed(cuts.outro, 9));
    writeKey(file, u"Fade", fixed(1000.0 * settings.fadeSeconds, 3));
    writeKey(file, u"Repeats", fixed(settings.repetitions, 0));
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
    session.song = fromUtf16(source);
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
    session.outputFolder = output.empty() ? currentOutputFolder : fromUtf16(output);
    return session;
}
