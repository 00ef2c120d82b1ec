#include "ui/waveform_peaks.h"

#include <algorithm>
#include <cmath>

namespace {

// A NaN sample counts as silence, as playback treats it: no comparison with
// NaN is true, so it never becomes the peak.
float louder(float peak, float sample)
{
    const float a = std::abs(sample);
    return a > peak ? a : peak;
}

} // namespace

PeakPyramid buildPeaks(const std::vector<float>& stereo)
{
    PeakPyramid peaks;
    const auto frames = static_cast<int64_t>(stereo.size() / 2);
    if (frames == 0)
        return peaks;
    const int64_t blocks = (frames + kPeakBlockFrames - 1) / kPeakBlockFrames;
    std::vector<float> level(static_cast<size_t>(2 * blocks), 0.0f);
    for (int64_t block = 0; block < blocks; ++block) {
        const float* sample = stereo.data() + 2 * block * kPeakBlockFrames;
        const int64_t count = std::min(kPeakBlockFrames, frames - block * kPeakBlockFrames);
        float left = 0.0f, right = 0.0f;
        for (int64_t f = 0; f < count; ++f) {
            left = louder(left, sample[2 * f]);
            right = louder(right, sample[2 * f + 1]);
        }
        level[static_cast<size_t>(2 * block)] = left;
        level[static_cast<size_t>(2 * block + 1)] = right;
    }
    peaks.levels.push_back(std::move(level));
    while (peaks.levels.back().size() > 2) {
        const std::vector<float>& below = peaks.levels.back();
        const size_t blocks = below.size() / 2;
        std::vector<float> above(2 * ((blocks + 1) / 2), 0.0f);
        for (size_t b = 0; b < blocks; ++b) {
            above[2 * (b / 2)] = std::max(above[2 * (b / 2)], below[2 * b]);
            above[2 * (b / 2) + 1] = std::max(above[2 * (b / 2) + 1], below[2 * b + 1]);
        }
        peaks.levels.push_back(std::move(above));
    }
    return peaks;
}

StereoPeak columnPeak(const std::vector<float>& stereo, const PeakPyramid& peaks, int64_t first, int64_t end)
{
    StereoPeak peak;
    const auto frames = static_cast<int64_t>(stereo.size() / 2);
    first = std::max<int64_t>(first, 0);
    end = std::min(end, frames);
    if (first >= end)
        return peak;
    if (end - first < 4 * kPeakBlockFrames || peaks.levels.empty()) {
        for (int64_t f = first; f < end; ++f) {
            peak.left = louder(peak.left, stereo[static_cast<size_t>(2 * f)]);
            peak.right = louder(peak.right, stereo[static_cast<size_t>(2 * f + 1)]);
        }
        return peak;
    }
    // The coarsest level whose blocks still fit four times into the column,
    // so a peak never spreads more than a quarter column past its place.
    size_t k = 0;
    while (k + 1 < peaks.levels.size() && (kPeakBlockFrames << (k + 1)) * 4 <= end - first)
        ++k;
    const int64_t size = kPeakBlockFrames << k;
    const std::vector<float>& level = peaks.levels[k];
    for (int64_t b = first / size; b * size < end; ++b) {
        peak.left = std::max(peak.left, level[static_cast<size_t>(2 * b)]);
        peak.right = std::max(peak.right, level[static_cast<size_t>(2 * b + 1)]);
    }
    return peak;
}
