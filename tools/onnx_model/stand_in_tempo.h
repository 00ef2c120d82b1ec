// The stand-in tracker's beat period for one window, and the
// autocorrelation it is read from (which the bar comb uses as well).
#pragma once
#include <cstdint>
#include <string>

#include "onnx_writer.h"
#include "stand_in_tuning.h"

namespace onnx_model {

struct Tempo {
    std::string period;   // frames, [1, 1]
    std::string clarity;  // mean band autocorrelation at 1..4 periods, [1, 1]
};

// The beat period of the onsets of [1, 3, T] (low, mid, high), with the low
// and mid bands on their own for the kick-then-snare bonus.
Tempo tempo(GraphBuilder& g, const std::string& bands, const std::string& low, const std::string& mid,
            const std::string& frames, const std::string& frameCount, const Tuning& t);

// Autocorrelation of each channel of [1, C, T] at lags 0 .. lags, divided by
// lag 0. [1, C, lags + 1].
std::string autocorrelation(GraphBuilder& g, const std::string& x, int64_t channels, int64_t lags,
                            const std::string& frameCount);
// The autocorrelation of [1, lags + 1] at fractional lags [n]: [1, n].
std::string atLags(GraphBuilder& g, const std::string& ac, const std::string& lagsWanted, int64_t lags);

} // namespace onnx_model
