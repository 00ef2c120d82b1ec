#include "audio/decoder_run.h"

namespace {

using platform::NativeString;
using Char = std::filesystem::path::value_type;

// Decode the first audio stream once, into two raw float outputs: 48 kHz
// stereo on standard output, 22 050 Hz mono to a file. Only local files and
// pipes are allowed as protocols.
constexpr const char* kInputOptions =
    "-hide_banner -loglevel error -nostdin -threads 1 -filter_threads 1 -protocol_whitelist file,pipe -i";
constexpr const char* kOutputOptions =
    "-map 0:a:0 -vn -sn -dn -t 1200.02 -ac 2 -ar 48000 -f f32le -c:a pcm_f32le pipe:1 "
    "-map 0:a:0 -vn -sn -dn -t 1200.02 -ac 1 -ar 22050 -af aresample=filter_size=64:phase_shift=10 "
    "-f f32le -c:a pcm_f32le -y";

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

} // namespace

std::vector<NativeString> decoderArguments(const std::filesystem::path& decoder, const std::filesystem::path& song,
                                           const std::filesystem::path& mono)
{
    std::vector<NativeString> arguments{decoder.native()};
    appendWords(arguments, kInputOptions);
    arguments.push_back(platform::decoderFileArgument(song));
    appendWords(arguments, kOutputOptions);
    arguments.push_back(platform::decoderFileArgument(mono));
    return arguments;
}
