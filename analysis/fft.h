// In-place forward complex DFT, X[q] = sum x[n] e^(-2 pi i q n / N), for N a power of two.
#pragma once
#include <complex>
#include <span>

void forwardFft(std::span<std::complex<double>> data);
