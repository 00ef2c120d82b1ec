// The timeline's stereo peaks, prepared once per song: the largest absolute
// left and right sample of every block of 256 frames, and of 512, 1024, ...
// frames above it, so a column of any width costs a handful of reads.
#pragma once
#include <cstdint>
#include <vector>

struct PeakPyramid {
    // levels[k] holds left, right of each block of (256 << k) frames.
    std::vector<std::vector<float>> levels;
};

inline constexpr int64_t kPeakBlockFrames = 256;

PeakPyramid buildPeaks(const std::vector<float>& stereo);

struct StereoPeak {
    float left = 0, right = 0;
};

// The peaks of frames first ... end - 1. Narrow columns read the frames
// themselves; wider ones read whole blocks, which may reach less than one
// block past either edge.
StereoPeak columnPeak(const std::vector<float>& stereo, const PeakPyramid& peaks, int64_t first, int64_t end);
