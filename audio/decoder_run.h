// Pieces of one decoder run that tests reach into: the time limit and the
// command in both forms the platforms take.
#pragma once
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/child_process.h"

// Wall-clock limit of one decoder run, 300000 ms. Only tests shorten it.
extern std::atomic<uint64_t> decoderTimeLimitMs;

// The one command line the Windows child gets: the three paths quoted, the
// options between them written out as they stand.
platform::NativeString decoderCommandLine(const std::filesystem::path& decoder, const std::filesystem::path& song,
                                          const std::filesystem::path& mono);

// The same arguments as a vector. Input and output paths carry the decoder's
// "file:" prefix, so a name such as "pipe:1.mp3" is read as a file and never
// as a protocol.
std::vector<platform::NativeString> decoderArguments(const std::filesystem::path& decoder,
                                                     const std::filesystem::path& song,
                                                     const std::filesystem::path& mono);
