// The models this project generates: the stand-in beat tracker installed as
// beat_this.onnx, and small probes the tests run through the real runtime.
#pragma once
#include "onnx_writer.h"

namespace onnx_model {

// The classical tempo-aware beat and downbeat tracker installed until the
// trained model replaces it (stand_in_tracker.cpp).
Model standInBeatModel();
// The same graph with three more outputs per window, each [1, 1]: the beat
// period in frames, the clarity of the pulse and 1 for three beats a bar.
Model standInDiagnosticsModel();
// "beat" copies band 0 of each frame; "downbeat" is the frame's position in
// its window (0, 1, 2, ...), so a caller can see which window supplied it.
Model probeModel();
// Input named other than "input_spectrogram": every run fails.
Model wrongInputModel();
// Outputs with a single value whatever the window length.
Model shortOutputModel();

} // namespace onnx_model
