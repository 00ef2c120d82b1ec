// The periodic Hann window of the spectrogram and the chroma frames.
#pragma once
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

inline std::vector<double> periodicHann(size_t size)
{
    std::vector<double> w(size);
    for (size_t n = 0; n < size; ++n)
        w[n] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(size));
    return w;
}
