// One run of the external decoder per song: 48 kHz stereo float to the
// program (through "decoded.f32"), 22 050 Hz mono float through "mono.f32",
// both in the work folder and both gone once the song is read.
#pragma once
#include <cstdint>
#include <filesystem>
#include <vector>

// Where one decoder run reads and writes, and how long it may take.
struct DecoderRun {
    std::filesystem::path installFolder;  // holds the decoder program
    std::filesystem::path workFolder;     // receives its outputs and its log
    uint64_t timeLimitMs = 300000;        // only tests shorten it
};

// The song's two audio forms from one decoder run.
struct DecodedSong {
    std::vector<float> audio;          // interleaved stereo, 48 kHz
    std::vector<float> analysisAudio;  // mono, 22 050 Hz
};

// Decodes the song into both forms. On success the work folder keeps only
// "decoder.log"; on failure what the decoder wrote stays for the log's sake.
DecodedSong decodeSong(const std::filesystem::path& songPath, const DecoderRun& run);
