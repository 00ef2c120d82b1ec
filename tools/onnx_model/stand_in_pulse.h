// The stand-in tracker's pulse: where in each frame the beat (or the bar)
// stands at a known period, as the cosine of the frame's phase. [1, T].
#pragma once
#include <cstdint>
#include <string>

#include "onnx_writer.h"

namespace onnx_model {

// 1 on the crests of the signal's local pulse at `period`.
std::string localPulse(GraphBuilder& g, const std::string& signal, const std::string& frames,
                       const std::string& period, int64_t reach, float global, float delay);
// The local pulse turned to where the onsets' pattern over one period peaks;
// `definite` ([1, 1]) says how plainly the onsets mark one place of the beat,
// `steady` ([1, T]) how strong the local pulse is against the window's usual.
std::string patternPulse(GraphBuilder& g, const std::string& signal, const std::string& frames,
                         const std::string& period, const std::string& pulsed, int64_t reach, float global, float turnCos,
                         std::string& definite, std::string& steady);

} // namespace onnx_model
