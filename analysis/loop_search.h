// Proposes up to 16 ranked start -> loop -> outro cut candidates.
#pragma once
#include "analysis/analysis_model.h"
#include "base/cancel.h"

void findLoops(Analysis& analysis, double songDuration, const TickFn& tick);
