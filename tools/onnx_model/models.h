// The models this project generates: the stand-in beat tracker installed as
// beat_this.onnx, and small probes the tests run through the real runtime.
#pragma once
#include "onnx_writer.h"

namespace onnx_model {

// Beat logits from positive spectral flux, downbeat logits from low-band
// flux, each against an adaptive threshold; negative everywhere in silence.
Model standInBeatModel();
// "beat" copies band 0 of each frame; "downbeat" is the frame's position in
// its window (0, 1, 2, ...), so a caller can see which window supplied it.
Model probeModel();
// Input named other than "input_spectrogram": every run fails.
Model wrongInputModel();
// Outputs with a single value whatever the window length.
Model shortOutputModel();

} // namespace onnx_model
