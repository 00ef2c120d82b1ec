// The mel filter bank of the spectrogram: 128 triangular bands on Slaney's mel
// scale from 30 Hz to 11 000 Hz over the 513 bins of a 1024-point FFT at 22 050 Hz.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr size_t kMelFftSize = 1024;
inline constexpr size_t kMelFftBins = kMelFftSize / 2 + 1;

struct MelWeight {
    uint32_t bin;
    double weight;
};

struct MelFilters {
    std::vector<MelWeight> weights;  // every band's kept bins in ascending order, band after band
    std::vector<size_t> bandStart;   // 129 offsets: band b is weights[bandStart[b], bandStart[b + 1])
};

// The 130 band edges in Hz, equally spaced in mel.
std::vector<double> melEdges();
// Band b rises from edge b to b + 1 and falls to b + 2; only positive weights are kept.
MelFilters melFilters();
