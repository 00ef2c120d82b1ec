// Small PCM WAV files of an exact frame count, written by the tests themselves.
#pragma once
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testsupport {

inline void putLE(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// 48 kHz PCM. 16-bit stereo holds the constant values left/right in every
// frame; 8-bit mono is silence and keeps 20-minute files small.
struct WavSpec {
    uint16_t channels = 2;
    uint16_t bits = 16;
    uint64_t frames = 0;
    int16_t left = 8192;    // 0.25
    int16_t right = -16384; // -0.5
};

inline void writeWav(const std::filesystem::path& path, const WavSpec& spec)
{
    const uint32_t blockAlign = spec.channels * spec.bits / 8;
    const uint32_t dataBytes = static_cast<uint32_t>(spec.frames * blockAlign);
    std::string header = "RIFF";
    putLE(header, 36 + dataBytes, 4);
    header += "WAVEfmt ";
    putLE(header, 16, 4);
    putLE(header, 1, 2);
    putLE(header, spec.channels, 2);
    putLE(header, 48000, 4);
    putLE(header, 48000 * blockAlign, 4);
    putLE(header, blockAlign, 2);
    putLE(header, spec.bits, 2);
    header += "data";
    putLE(header, dataBytes, 4);

    std::string frame;
    if (spec.bits == 8) {
        frame.assign(spec.channels, static_cast<char>(0x80));
    } else {
        putLE(frame, static_cast<uint16_t>(spec.left), 2);
        if (spec.channels == 2) putLE(frame, static_cast<uint16_t>(spec.right), 2);
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
