// One run of the external decoder per song: 48 kHz stereo float to the
// program (through "decoded.f32"), 22 050 Hz mono float through "mono.f32",
// both in the work folder and both gone once the song is read.
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

// The song's two audio forms from one decoder run.
struct DecodedSong {
    std::vector<float> audio;          // interleaved stereo, 48 kHz
    std::vector<float> analysisAudio;  // mono, 22 050 Hz
};

// Decodes the song into both forms. On success the work folder keeps only
// "decoder.log"; on failure what the decoder wrote stays for the log's sake.
DecodedSong decodeSong(const std::filesystem::path& songPath, const DecoderRun& run);
