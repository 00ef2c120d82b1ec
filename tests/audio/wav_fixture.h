// Small PCM WAV files of an exact frame count, written by the tests themselves.
#pragma once
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/byte_io.h"

namespace testsupport {

// A 48 kHz PCM file of one frame repeated: 16-bit holds the values
// left/right in every frame; 8-bit is silence and keeps 20-minute files small.
struct ConstantWav {
    uint16_t channels = 2;
    uint16_t bits = 16;
    uint64_t frames = 0;
    int16_t left = 8192;    // 0.25
    int16_t right = -16384; // -0.5
};

inline void writeWav(const std::filesystem::path& path, const ConstantWav& spec)
{
    const uint32_t blockAlign = spec.channels * spec.bits / 8;
    const uint32_t dataBytes = static_cast<uint32_t>(spec.frames * blockAlign);
    std::string header = "RIFF";
    appendLe32(header, 36 + dataBytes);
    header += "WAVEfmt ";
    appendLe32(header, 16);
    appendLe16(header, 1);
    appendLe16(header, spec.channels);
    appendLe32(header, 48000);
    appendLe32(header, 48000 * blockAlign);
    appendLe16(header, blockAlign);
    appendLe16(header, spec.bits);
    header += "data";
    appendLe32(header, dataBytes);

    std::string frame;
    if (spec.bits == 8) {
        frame.assign(spec.channels, static_cast<char>(0x80));
    } else {
        appendLe16(frame, static_cast<uint16_t>(spec.left));
        if (spec.channels == 2) appendLe16(frame, static_cast<uint16_t>(spec.right));
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    constexpr uint64_t kChunkFrames = 1 << 16;
    std::string chunk;
    for (uint64_t i = 0; i < kChunkFrames; ++i) chunk += frame;
    for (uint64_t written = 0; written < spec.frames; written += kChunkFrames) {
        const uint64_t count = std::min(kChunkFrames, spec.frames - written);
        out.write(chunk.data(), static_cast<std::streamsize>(count * frame.size()));
    }
}

inline std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace testsupport
