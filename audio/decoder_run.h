// The decoder's argument list, which tests and benchmarks reach into.
#pragma once
#include <filesystem>
#include <vector>

#include "platform/child_process.h"

// A file path as the decoder must be given it, so that it is never taken
// for one of the decoder's protocols.
platform::NativeString decoderFileArgument(const std::filesystem::path& path);

// The fixed arguments, with the song and the mono output as decoderFileArgument gives them.
std::vector<platform::NativeString> decoderArguments(const std::filesystem::path& decoder,
                                                     const std::filesystem::path& song,
                                                     const std::filesystem::path& mono);
