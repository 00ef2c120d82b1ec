// What the playback timer derives from each new playhead: jumps between
// beats (for the map) and the timeline window that keeps the playhead seen.
#pragma once
#include <cstdint>
#include <vector>

#include "analysis/analysis_model.h"

struct BeatTrack {
    int32_t lastBeat = -1;  // the beat of the previous tick, -1 before the first
    int32_t jumpFrom = -1;
    int32_t jumpTo = -1;
};

// Moves the track to the beat under playhead; returns true when that beat
// does not follow the last one (a jump), which then sets jumpFrom and jumpTo.
// Without beats nothing changes.
bool trackBeat(BeatTrack& track, const std::vector<Beat>& beats, double playhead);

// The start of a zoomed timeline window after the playhead moved: unchanged
// while the playhead lies within its first 90 %, else 20 % before the playhead.
double followPlayhead(double viewStart, double visibleSpan, double playhead, double duration);
