#include "analysis/cut_rule.h"

#include <cfloat>
#include <cmath>
#include <stdexcept>

#include "base/audio_constants.h"

Loop cutRecord(double start, double end, double outro)
{
    Loop cut;
    cut.start = start;
    cut.end = end;
    cut.outro = outro;
    cut.startBeat = -1;
    cut.endBeat = -1;
    cut.outroBeat = -1;
    return cut;
}

void validateCuts(uint64_t songFrames, double start, double end, double outro, double fadeSeconds)
{
    const double duration = static_cast<double>(songFrames) / kSongFrameRate;
    const double sum = start + end + outro + fadeSeconds;
    const bool ok = std::fabs(sum) <= DBL_MAX  // false for NaN and infinities
                    && fadeSeconds >= kShortestFadeSeconds && fadeSeconds <= kLongestFadeSeconds &&
                    fadeSeconds < start && end > start + fadeSeconds && end <= outro &&
                    outro < duration - 2.0 * fadeSeconds;
    if (!ok)
        throw std::runtime_error(kInvalidCutsMessage);
}

int checkedRepetitions(double typed)
{
    // Written so that NaN fails too.
    if (!(typed >= kFewestRepetitions && typed <= kMostRepetitions) || typed != std::floor(typed))
        throw std::runtime_error(kRepetitionsMessage);
    return static_cast<int>(typed);
}
