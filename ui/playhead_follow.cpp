#include "ui/playhead_follow.h"

#include <algorithm>

bool trackBeat(BeatTrack& track, const std::vector<Beat>& beats, double playhead)
{
    if (beats.empty())
        return false;
    // The last beat at or before the playhead, 0 before the first.
    const auto after = std::upper_bound(beats.begin(), beats.end(), playhead,
                                        [](double t, const Beat& beat) { return t < beat.time; });
    const auto i = static_cast<int32_t>(after == beats.begin() ? 0 : after - beats.begin() - 1);
    const bool jumped = i != track.lastBeat && track.lastBeat >= 0 && i != track.lastBeat + 1;
    if (jumped) {
        track.jumpFrom = track.lastBeat;
        track.jumpTo = i;
    }
    track.lastBeat = i;
    return jumped;
}

double followPlayhead(double viewStart, double visibleSpan, double playhead, double duration)
{
    if (!(visibleSpan > 0) || !(visibleSpan < duration))
        return viewStart;
    if (playhead >= viewStart && playhead <= viewStart + 0.9 * visibleSpan)
        return viewStart;
    return std::clamp(playhead - 0.2 * visibleSpan, 0.0, std::max(0.0, duration - visibleSpan));
}
