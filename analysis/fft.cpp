#include "analysis/fft.h"

#include <cmath>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

namespace {

// The twiddles of every butterfly pass for one transform size, the pass of
// length len at offset len / 2 - 1. Each comes from its exact angle rather
// than by repeated multiplication, so errors do not grow along a pass; they
// are computed once per size and thread, because recomputing them on every
// call cost more than the transform itself.
const std::vector<std::complex<double>>& twiddles(size_t n)
{
    thread_local std::map<size_t, std::vector<std::complex<double>>> bySize;
    std::vector<std::complex<double>>& table = bySize[n];
    if (table.empty() && n > 1) {
        table.reserve(n - 1);
        for (size_t len = 2; len <= n; len <<= 1) {
            const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
            for (size_t k = 0; k < len / 2; ++k)
                table.emplace_back(std::cos(angle * static_cast<double>(k)), std::sin(angle * static_cast<double>(k)));
        }
    }
    return table;
}

} // namespace

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
    const std::vector<std::complex<double>>& table = twiddles(n);
    for (size_t len = 2; len <= n; len <<= 1) {
        const size_t half = len / 2;
        const std::complex<double>* w = table.data() + (half - 1);
        for (size_t start = 0; start < n; start += len) {
            std::complex<double>* a = data.data() + start;
            std::complex<double>* b = a + half;
            for (size_t k = 0; k < half; ++k) {
                // Written out: the library product also handles infinities,
                // which costs a call per butterfly and changes no finite result.
                const double vr = b[k].real() * w[k].real() - b[k].imag() * w[k].imag();
                const double vi = b[k].real() * w[k].imag() + b[k].imag() * w[k].real();
                const std::complex<double> u = a[k];
                a[k] = {u.real() + vr, u.imag() + vi};
                b[k] = {u.real() - vr, u.imag() - vi};
            }
        }
    }
}
