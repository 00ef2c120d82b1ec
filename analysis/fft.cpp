#include "analysis/fft.h"

#include <cmath>
#include <numbers>
#include <utility>

// Iterative radix-2: bit-reversal permutation, then log2(N) butterfly passes.
void forwardFft(std::span<std::complex<double>> data)
{
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        const size_t half = len / 2;
        for (size_t k = 0; k < half; ++k) {
            // Twiddles from the exact angle each time rather than by repeated
            // multiplication, so errors do not grow along the pass.
            const std::complex<double> w(std::cos(angle * static_cast<double>(k)),
                                         std::sin(angle * static_cast<double>(k)));
            for (size_t start = 0; start < n; start += len) {
                const std::complex<double> u = data[start + k];
                const std::complex<double> v = data[start + k + half] * w;
                data[start + k] = u + v;
                data[start + k + half] = u - v;
            }
        }
    }
}
