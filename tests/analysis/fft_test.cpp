#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/fft.h"

namespace {

std::vector<std::complex<double>> directDft(const std::vector<std::complex<double>>& x)
{
    const size_t n = x.size();
    std::vector<std::complex<double>> roots(n), out(n);
    for (size_t m = 0; m < n; ++m)
        roots[m] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(m) / static_cast<double>(n));
    for (size_t q = 0; q < n; ++q)
        for (size_t k = 0; k < n; ++k)
            out[q] += x[k] * roots[(q * k) % n];
    return out;
}

} // namespace

TEST(Fft, MatchesTheDirectTransformWhateverSizesCameBefore)
{
    // Sizes alternate the way the spectrogram (1024) and the chroma (4096)
    // use them, so a table kept from one size must not leak into another.
    std::mt19937 random(11);
    std::normal_distribution<double> value;
    for (const size_t n : {1024u, 1u, 2u, 8u, 4096u, 64u, 1024u}) {
        SCOPED_TRACE(n);
        std::vector<std::complex<double>> x(n);
        for (auto& v : x)
            v = {value(random), value(random)};
        const std::vector<std::complex<double>> expected = directDft(x);
        forwardFft(x);
        double worst = 0.0;
        for (size_t q = 0; q < n; ++q)
            worst = std::max(worst, std::abs(x[q] - expected[q]));
        EXPECT_LT(worst, 1e-9 * static_cast<double>(n));
    }
}
