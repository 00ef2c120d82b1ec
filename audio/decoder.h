// One run of the external decoder per song: 48 kHz stereo float to the
// program, 22 050 Hz mono float to "mono.f32" in the work folder.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/child_process.h"

// Where one decoder run reads and writes, and the clock its five minutes
// are counted on (milliseconds, never going back).
struct DecoderRun {
    std::filesystem::path installFolder;  // holds the decoder program
    std::filesystem::path workFolder;     // receives its outputs and its log
    std::function<uint64_t()> clock = platform::monotonicMilliseconds;
};

// The decoder program's file name in the installation folder.
std::string decoderFileName();

// Decodes the song; leaves "mono.f32" in the work folder for readAnalysisAudio.
std::vector<float> decodeSong(const std::filesystem::path& songPath, const DecoderRun& run);
// Reads and deletes the work folder's "mono.f32".
std::vector<float> readAnalysisAudio(const std::filesystem::path& workFolder);
