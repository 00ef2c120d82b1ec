// The decoder's argument list, which tests and benchmarks reach into.
#pragma once
#include <filesystem>
#include <vector>

#include "platform/child_process.h"

// The fixed arguments, with the song and the mono output in the form the
// platform gives file paths to the decoder.
std::vector<platform::NativeString> decoderArguments(const std::filesystem::path& decoder,
                                                     const std::filesystem::path& song,
                                                     const std::filesystem::path& mono);
