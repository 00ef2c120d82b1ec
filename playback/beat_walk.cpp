#include "playback/beat_walk.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// A uniform double in [0, 1) from all 53 bits of a double.
double uniform(std::mt19937& generator)
{
    return std::generate_canonical<double, 53>(generator);
}

// The weighted draw of std::discrete_distribution, done in place so that it
// allocates nothing: weights normalised, running sums with the last one
// forced to 1, then the first sum that reaches a fresh uniform draw. For the
// same weights and generator state it picks what the standard distribution
// picks and consumes the same numbers.
size_t weightedDraw(std::vector<double>& weights, double total, std::mt19937& generator)
{
    double running = 0.0;
    for (double& weight : weights) {
        running += weight / total;
        weight = running;
    }
    weights.back() = 1.0;
    const double u = uniform(generator);
    return static_cast<size_t>(std::lower_bound(weights.begin(), weights.end(), u) - weights.begin());
}

} // namespace

void rememberBeat(RecentBeats& recent, int32_t beat)
{
    if (recent.count == kRecentBeatCount) {
        std::copy(recent.beats.begin() + 1, recent.beats.end(), recent.beats.begin());
        --recent.count;
    }
    recent.beats[recent.count++] = beat;
}

bool isRecent(const RecentBeats& recent, int32_t beat)
{
    return std::find(recent.beats.begin(), recent.beats.begin() + static_cast<std::ptrdiff_t>(recent.count), beat) !=
           recent.beats.begin() + static_cast<std::ptrdiff_t>(recent.count);
}

ConnectionIndex indexConnections(const Analysis& analysis)
{
    // A counting sort on `from`: stable, so each beat's connections keep
    // their order in the list whether or not the list is grouped.
    const size_t beats = analysis.beats.size();
    ConnectionIndex index;
    index.first.assign(beats + 1, 0);
    for (const Connection& c : analysis.connections)
        if (c.from >= 0 && static_cast<size_t>(c.from) < beats)
            ++index.first[static_cast<size_t>(c.from) + 1];
    for (size_t b = 0; b < beats; ++b)
        index.first[b + 1] += index.first[b];
    index.order.resize(index.first[beats]);
    std::vector<uint32_t> next(index.first.begin(), index.first.end() - 1);
    for (size_t i = 0; i < analysis.connections.size(); ++i) {
        const int32_t from = analysis.connections[i].from;
        if (from >= 0 && static_cast<size_t>(from) < beats)
            index.order[next[static_cast<size_t>(from)]++] = static_cast<uint32_t>(i);
    }
    return index;
}

WalkScratch walkScratchFor(const ConnectionIndex& index)
{
    uint32_t most = 0;
    for (size_t b = 0; b + 1 < index.first.size(); ++b)
        most = std::max(most, index.first[b + 1] - index.first[b]);
    WalkScratch scratch;
    scratch.targets.reserve(most);
    scratch.weights.reserve(most);
    return scratch;
}

int32_t chooseNextBeat(const Analysis& analysis, int32_t cur, std::mt19937& generator, const RecentBeats& recent,
                       double jumpProbability, const ConnectionIndex& index, WalkScratch& scratch)
{
    const int32_t playOn = cur + 1;
    if (uniform(generator) > jumpProbability)
        return playOn;
    if (cur < 0 || static_cast<size_t>(cur) + 1 >= index.first.size())
        return playOn;

    scratch.targets.clear();
    scratch.weights.clear();
    double total = 0.0;
    for (uint32_t k = index.first[static_cast<size_t>(cur)]; k < index.first[static_cast<size_t>(cur) + 1]; ++k) {
        const Connection& c = analysis.connections[index.order[k]];
        if (isRecent(recent, c.to))
            continue;
        double weight = std::pow(static_cast<double>(c.score), 5.0);
        if (c.to < cur)
            weight *= 1.15;  // a slight preference for going back in the song
        scratch.targets.push_back(c.to);
        scratch.weights.push_back(weight);
        total += weight;
    }
    if (scratch.targets.empty())
        return playOn;
    if (scratch.targets.size() == 1)
        return scratch.targets.front();
    // Only scores of zero (or beyond any sensible range) leave nothing to
    // weigh by; such connections are no reason to leave the beat.
    if (!(total > 0.0 && total <= DBL_MAX))
        return playOn;
    return scratch.targets[weightedDraw(scratch.weights, total, generator)];
}

int32_t beatIndexAt(const Analysis& analysis, double t)
{
    const auto& beats = analysis.beats;
    const auto after = std::upper_bound(beats.begin(), beats.end(), t,
                                        [](double time, const Beat& beat) { return time < beat.time; });
    return after == beats.begin() ? 0 : static_cast<int32_t>(after - beats.begin() - 1);
}
