#include "render/duration_target.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "analysis/cut_rule.h"
#include "base/audio_constants.h"
#include "base/number_format.h"

namespace {

// Seconds with three decimals and a point, for the messages.
std::string secondsText(int64_t frames)
{
    return fixedPoint(static_cast<double>(frames) / kSongFrameRate, 3);
}

void checkTargetRange(const CutFrames& cuts, int64_t target)
{
    const int64_t shortest = montageFrames(cuts, kFewestRepetitions);
    const int64_t longest = montageFrames(cuts, kMostRepetitions);
    if (target < shortest)
        throw std::runtime_error("Duracion objetivo demasiado corta: el montaje minimo (inicio + un loop + final) dura " +
                                 secondsText(shortest) + " s.");
    if (target > longest)
        throw std::runtime_error("Duracion objetivo demasiado larga: con 100 repeticiones el montaje dura " +
                                 secondsText(longest) + " s.");
}

TargetFit closestFit(const CutFrames& cuts, int64_t target)
{
    TargetFit best;
    for (int n = kFewestRepetitions; n <= kMostRepetitions; ++n) {
        const int64_t frames = montageFrames(cuts, n);
        // Strictly closer only: on a tie the shorter montage, found first, stays.
        if (best.repetitions == 0 || std::llabs(frames - target) < std::llabs(best.differenceFrames))
            best = {n, frames, frames - target, 0, 0};
    }
    return best;
}

TargetFit exactFit(const CutFrames& cuts, int64_t target)
{
    int n = kFewestRepetitions;
    while (montageFrames(cuts, n) < target)
        ++n;  // the range check guarantees n <= 100
    const int64_t keptOutro = target - cuts.start - n * (cuts.end - cuts.start);
    if (keptOutro <= 0)
        throw std::runtime_error(kTargetGapMessage);
    const int64_t outro = cuts.song - cuts.outro;
    return {n, target, 0, outro - keptOutro, std::min(kLongestFadeOutFrames, keptOutro)};
}

} // namespace

CutFrames cutFramesOf(const Loop& cuts, int64_t songFrames)
{
    return {secondsToFrames(cuts.start), secondsToFrames(cuts.end), secondsToFrames(cuts.outro), songFrames};
}

CutFrames cutFramesOf(const RenderPlan& plan)
{
    return {plan.startSample, plan.endSample, plan.outroSample, songFrames(plan)};
}

int64_t montageFrames(const CutFrames& cuts, int repetitions)
{
    return cuts.start + repetitions * (cuts.end - cuts.start) + (cuts.song - cuts.outro);
}

TargetFit fitTarget(const CutFrames& cuts, const DurationTarget& target)
{
    // Anything not a number reads as too short, anything beyond a day as too
    // long, before the conversion to frames could overflow.
    const double seconds = std::isnan(target.seconds) ? -1.0 : std::clamp(target.seconds, -1.0, 86400.0);
    const int64_t frames = secondsToFrames(seconds);
    checkTargetRange(cuts, frames);
    return target.exact ? exactFit(cuts, frames) : closestFit(cuts, frames);
}

void applyTarget(RenderPlan& plan, const TargetFit& fit)
{
    plan.outroTrim = fit.outroTrim;
    plan.fadeOutFrames = fit.fadeOutFrames;
}
