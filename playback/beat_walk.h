// The endless exploration's walk from beat to beat: which beat plays after
// the current one, and the beat lookup that playback and the window share.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/analysis_model.h"

inline constexpr size_t kRecentBeatCount = 20;
inline constexpr double kJumpProbability = 0.25;
inline constexpr uint32_t kWalkSeed = 214;

// The beats visited last, oldest first; a jump never lands on one of them.
struct RecentBeats {
    std::array<int32_t, kRecentBeatCount> beats{};
    size_t count = 0;
};
void rememberBeat(RecentBeats& recent, int32_t beat);
bool isRecent(const RecentBeats& recent, int32_t beat);

// The connections leaving each beat, in the order of the connection list:
// connections of beat b are order[first[b]] .. order[first[b + 1] - 1].
// Connections leaving no valid beat are left out.
struct ConnectionIndex {
    std::vector<uint32_t> first;
    std::vector<uint32_t> order;
};
ConnectionIndex indexConnections(const Analysis& analysis);

// Room for the candidates of any one beat, reserved up front so that a
// decision during playback allocates nothing.
struct WalkScratch {
    std::vector<int32_t> targets;
    std::vector<double> weights;
};
WalkScratch walkScratchFor(const ConnectionIndex& index);

// The beat to play after `cur`: cur + 1, or with probability jumpProbability
// the target of one of cur's connections (not a recent beat), drawn with
// weight score^5, 1.15 times more for a jump backwards. May return an index
// past the last beat; the caller decides what follows the end.
int32_t chooseNextBeat(const Analysis& analysis, int32_t cur, std::mt19937& generator, const RecentBeats& recent,
                       double jumpProbability, const ConnectionIndex& index, WalkScratch& scratch);

// The last beat whose time is at most t; 0 when there are no beats or t lies
// before the first one.
int32_t beatIndexAt(const Analysis& analysis, double t);
