// The time a key press writes into a cut field.
#pragma once
#include "analysis/analysis_model.h"

// The playhead itself, or with the magnet on and beats present the time of
// the nearest beat (the earlier one on a tie).
double snappedTime(const Analysis& analysis, double playhead, bool magnet);
