// Turns beat and downbeat logits (50 frames/s) into beats, bars and the meter.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "analysis/analysis_model.h"

struct DecodedBeats {
    std::vector<Beat> beats;
    int32_t meter = 4;
};

DecodedBeats decodeBeats(std::span<const float> beatActivation, std::span<const float> downbeatActivation,
                         double songDuration);
