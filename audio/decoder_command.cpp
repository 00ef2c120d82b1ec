#include "audio/decoder_run.h"

#include <charconv>

#include "base/audio_constants.h"

namespace {

using platform::NativeString;
using Char = std::filesystem::path::value_type;

// Decode the first audio stream once, into two raw float outputs: 48 kHz
// stereo on standard output, 22 050 Hz mono to a file. Only local files and
// pipes are allowed as protocols.
constexpr const char* kInputOptions =
    "-hide_banner -loglevel error -nostdin -threads 1 -filter_threads 1 -protocol_whitelist file,pipe -i";
// Each output is cut at the read limit (after "-t").
constexpr const char* kOutputSelect = "-map 0:a:0 -vn -sn -dn -t";
constexpr const char* kStereoOutput = "-ac 2 -ar 48000 -f f32le -c:a pcm_f32le pipe:1";
constexpr const char* kMonoOutput =
    "-ac 1 -ar 22050 -af aresample=filter_size=64:phase_shift=10 -f f32le -c:a pcm_f32le -y";

void appendWords(std::vector<NativeString>& arguments, const char* words)
{
    NativeString word;
    for (const char* c = words;; ++c) {
        if (*c == ' ' || *c == '\0') {
            if (!word.empty())
                arguments.push_back(word);
            word.clear();
            if (*c == '\0')
                return;
        } else {
            word.push_back(static_cast<Char>(*c));
        }
    }
}

// 20 ms beyond the longest song: a song just too long still decodes past
// the limit, and is refused for its length rather than cut short.
NativeString readLimit()
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, kLongestSongSeconds + 0.02,
                                       std::chars_format::fixed, 2);
    return NativeString(text, written.ptr);
}

} // namespace

// The decoder reads "name:rest" as the protocol "name". A path that starts
// with a Windows drive or share is never taken for one; any other is marked
// as a file ("pipe:1.mp3" is a file name on POSIX).
NativeString decoderFileArgument(const std::filesystem::path& path)
{
    const NativeString& text = path.native();
    const bool share = std::filesystem::path::preferred_separator == Char('\\') && text.size() > 2 &&
                       text[0] == Char('\\') && text[1] == Char('\\');
    if (path.has_root_name() || share)
        return path.native();
    return std::filesystem::path("file:").native() + path.native();
}

std::vector<NativeString> decoderArguments(const std::filesystem::path& decoder, const std::filesystem::path& song,
                                           const std::filesystem::path& mono)
{
    std::vector<NativeString> arguments{decoder.native()};
    appendWords(arguments, kInputOptions);
    arguments.push_back(decoderFileArgument(song));
    for (const char* output : {kStereoOutput, kMonoOutput}) {
        appendWords(arguments, kOutputSelect);
        arguments.push_back(readLimit());
        appendWords(arguments, output);
    }
    arguments.push_back(decoderFileArgument(mono));
    return arguments;
}
