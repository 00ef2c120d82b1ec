// Pairs of beats that can be joined without an audible seam, at most five per source beat.
#pragma once
#include "analysis/analysis_model.h"
#include "base/cancel.h"

void findConnections(Analysis& analysis, const TickFn& tick);
