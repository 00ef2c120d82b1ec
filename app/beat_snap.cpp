#include "app/beat_snap.h"

#include <cmath>

double snappedTime(const Analysis& analysis, double playhead, bool magnet)
{
    if (!magnet || analysis.beats.empty())
        return playhead;
    double best = analysis.beats.front().time;
    for (const Beat& beat : analysis.beats)
        if (std::abs(beat.time - playhead) < std::abs(best - playhead))
            best = beat.time;
    return best;
}
