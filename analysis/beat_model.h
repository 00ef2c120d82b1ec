// Runs the beat model over the spectrogram in overlapping windows of at most
// 1500 frames and stitches the per-frame logits back together.
#pragma once
#include <vector>

#include "analysis/neural_engine.h"
#include "analysis/spectrogram.h"
#include "base/cancel.h"

struct Activations {
    std::vector<float> beat;      // one logit per frame, -1000 where no window supplied it
    std::vector<float> downbeat;
};

Activations runBeatModel(const NeuralEngine& engine, const Spectrogram& spectrogram, const TickFn& tick,
                         const ProgressFn& progress);
