// Ranks loop proposals and drops near-duplicates, keeping at most 16.
#pragma once
#include <vector>

#include "analysis/analysis_model.h"

inline constexpr size_t kMaxLoops = 16;

// Best score first; a proposal whose start lies within 2 s and whose end lies
// within 3 s of one already kept is dropped.
std::vector<Loop> selectLoops(std::vector<Loop> proposals);
