// Loudness, chroma and standardised timbre coefficients of every beat.
#pragma once
#include <span>

#include "analysis/analysis_model.h"
#include "analysis/spectrogram.h"
#include "base/cancel.h"

void describeBeats(std::span<const float> monoAudio, const Spectrogram& spectrogram, Analysis& analysis,
                   const TickFn& tick);
