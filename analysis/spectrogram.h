// Log-magnitude mel spectrogram of the mono analysis audio, the model's input:
// 22 050 Hz, 1024-point FFT, hop 441 (50 frames/s), 128 Slaney mel bands.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "base/cancel.h"

inline constexpr int kMelBands = 128;

struct Spectrogram {
    uint64_t frames = 0;        // floor(N / 441) + 1
    std::vector<float> values;  // frames x 128, frame-major
};

// Throws "Audio demasiado corto para analizar." / "Audio contiene valores no finitos.".
Spectrogram logMelSpectrogram(std::span<const float> samples, const TickFn& tick);
