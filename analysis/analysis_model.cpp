#include "analysis/analysis_model.h"

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
