// libFuzzer target for the INI reader and writer that session and settings
// files go through on systems without the profile functions. Built by
// scripts/fuzz.sh. Session files come from users, so any bytes must be safe.
//
// Oracles, beyond the sanitizers:
// - a value read is at most the buffer limit and holds no line break;
// - a key written reads back as written, and leaves every other key as it was;
// - an opened session holds only values the window can apply;
// - the number-field parser agrees with the C library's conversion on the
//   values read and on the input itself.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "app/number_field.h"
#include "session/session_file.h"

namespace {

// Seeds name this song relative to the fuzzer's working folder, so opened
// sessions get past the song check and on to the numbers.
constexpr const char* kSongName = "fuzz-song.mp3";

const std::u16string kKeys[] = {u"Source", u"Output", u"Start", u"End", u"Outro", u"Fade", u"Repeats"};
constexpr std::u16string_view kFuzzKey = u"Fuzz";
const std::u16string kFuzzValue = u"v \u00f1 \u6b4c \U0001D11E";

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::filesystem::path scratchFile(const char* role)
{
    return std::filesystem::temp_directory_path() /
           ("tamrel-ini-fuzz-" + std::to_string(platform::currentProcessId()) + "-" + role + ".ini");
}

void writeAll(const std::filesystem::path& file, const uint8_t* data, size_t size)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The field parser against strtod: the same verdict and the same value,
// except for hexadecimal numbers, which only the C library takes.
void checkNumber(std::u16string_view text)
{
    std::string ascii;
    for (char16_t c : text) {
        if (c == 0 || c >= 0x80 || c == u'x' || c == u'X')
            return;
        ascii.push_back(c == u',' ? '.' : static_cast<char>(c));
    }
    char* end = nullptr;
    errno = 0;
    const double expected = std::strtod(ascii.c_str(), &end);
    const bool valid = !ascii.empty() && end != ascii.c_str() && *end == '\0' && std::isfinite(expected);
    try {
        const double value = readNumberField(text);
        require(valid && value == expected && std::signbit(value) == std::signbit(expected));
    } catch (const std::runtime_error&) {
        require(!valid);
    }
}

void checkOpen(const std::filesystem::path& file)
{
    try {
        const OpenedSession session = openSession(file, "current");
        require(session.repetitions >= 1 && session.repetitions <= 100);
        require(session.crossfadeMs >= 5 && session.crossfadeMs <= 250);
        require(!session.outputFolder.empty());
    } catch (const std::exception&) {
        // Every failure of a session file is a standard exception with a message.
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::filesystem::path input = scratchFile("input");
    static const std::filesystem::path rewritten = scratchFile("rewritten");
    static const bool songExists = [] {
        std::ofstream(kSongName, std::ios::binary).put('x');
        return true;
    }();
    (void)songExists;

    writeAll(input, data, size);
    std::vector<std::u16string> values;
    for (const std::u16string& key : kKeys) {
        values.push_back(platform::readIniString(input, kSessionSection, key, u"\uFFFF"));
        const std::u16string& value = values.back();
        require(value.size() <= platform::kIniValueLimit);
        require(value.find_first_of(u"\r\n") == std::u16string::npos);
        checkNumber(value);
    }
    std::u16string raw;
    for (size_t i = 0; i + 1 < size && raw.size() < 64; i += 2)
        raw.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    checkNumber(raw);
    checkOpen(input);

    writeAll(rewritten, data, size);
    if (platform::writeIniString(rewritten, kSessionSection, kFuzzKey, kFuzzValue)) {
        require(platform::readIniString(rewritten, kSessionSection, kFuzzKey, u"") == kFuzzValue);
        for (size_t k = 0; k < std::size(kKeys); ++k)
            require(platform::readIniString(rewritten, kSessionSection, kKeys[k], u"\uFFFF") == values[k]);
    }
    return 0;
}
