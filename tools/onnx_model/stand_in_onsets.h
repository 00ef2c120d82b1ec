// What the stand-in tracker hears in the spectrogram [1, T, 128]: onsets
// per band, chord changes and the bass level's peaks, each [1, T] unless
// said otherwise.
#pragma once
#include <string>

#include "onnx_writer.h"
#include "stand_in_tuning.h"

namespace onnx_model {

struct BandOnsets {
    std::string all;             // [1, 3, T]
    std::string low, mid, high;  // [1, T] each
};

// Low, mid and high band onsets of a spectrum, each at unit power.
BandOnsets bandOnsets(GraphBuilder& g, const std::string& spectrum, float floor, const Tuning& t);
// The mel magnitudes under a square root instead of the input's logarithm. [1, T, 128].
std::string rootMagnitudes(GraphBuilder& g, const std::string& x);
// How far the spectrum's shape between the bass and the hi-hats moves at each frame.
std::string chordChange(GraphBuilder& g, const std::string& x, const Tuning& t);
// Where the lowest bands are loudest for their surroundings.
std::string bassPeaks(GraphBuilder& g, const std::string& x);

} // namespace onnx_model
