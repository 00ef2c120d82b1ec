#include "audio/argument_quoting.h"
#include "audio/decoder.h"
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

NativeString widen(const char* ascii)
{
    NativeString text;
    for (; *ascii != '\0'; ++ascii) text.push_back(static_cast<Char>(*ascii));
    return text;
}

NativeString quoted(const std::filesystem::path& path)
{
    return quoteCommandArgument<Char>(path.native());
}

void appendWords(std::vector<NativeString>& arguments, const char* words)
{
    const NativeString text = widen(words);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(Char(' '), start);
        if (end == NativeString::npos) end = text.size();
        if (end > start) arguments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

} // namespace

std::u16string quoteArgument(std::u16string_view text)
{
    return quoteCommandArgument<char16_t>(text);
}

NativeString decoderCommandLine(const std::filesystem::path& decoder, const std::filesystem::path& song,
                                const std::filesystem::path& mono)
{
    return quoted(decoder) + widen(" ") + widen(kInputOptions) + widen(" ") + quoted(song) + widen(" ") +
           widen(kOutputOptions) + widen(" ") + quoted(mono);
}

std::vector<NativeString> decoderArguments(const std::filesystem::path& decoder, const std::filesystem::path& song,
                                           const std::filesystem::path& mono)
{
    std::vector<NativeString> arguments{decoder.native()};
    appendWords(arguments, kInputOptions);
    arguments.push_back(widen("file:") + song.native());
    appendWords(arguments, kOutputOptions);
    arguments.push_back(widen("file:") + mono.native());
    return arguments;
}
