// Which cuts of a song "tamrel exportar" exports.
#pragma once

#include "analysis/analysis_model.h"
#include "cli/command_line.h"

// The hand-given A/B/O as a cut record, else the candidate of the chosen rank
// itself (as the verification run exports the best one). Throws
// "Sin cortes automaticos." when the song has no candidate, and names how
// many it has when the rank is beyond them.
Loop chooseCuts(const Analysis& analysis, const ExportChoice& choice);
