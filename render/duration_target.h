// Target durations: how long a montage is for given cuts and repetitions,
// which repetitions bring it closest to a target, and how an exact target
// ends the outro early with a fade-out. Numbers in, records out, so the
// window's live line and a console program use the same rule as the export.
#pragma once
#include <cstdint>

#include "analysis/analysis_model.h"
#include "render/render_plan.h"

inline constexpr const char* kTargetGapMessage =
    "No hay montaje exacto de esa duracion: cae dentro de una repeticion del loop, porque el final es mas corto "
    "que el loop. Elige otra duracion o desactiva Exacta.";
// The longest fade-out of an exact montage, in frames (3 s).
inline constexpr int64_t kLongestFadeOutFrames = 144000;

// A, B, O and the song's length, in frames.
struct CutFrames {
    int64_t start = 0;
    int64_t end = 0;
    int64_t outro = 0;
    int64_t song = 0;
};

struct DurationTarget {
    double seconds = 0;
    bool exact = false;  // end exactly at the target instead of the closest whole montage
};

// What a target makes of the montage.
struct TargetFit {
    int repetitions = 0;
    int64_t montageFrames = 0;
    int64_t differenceFrames = 0;  // montage minus target: positive when longer
    int64_t outroTrim = 0;         // exact: frames dropped from the outro's end
    int64_t fadeOutFrames = 0;     // exact: fade-out over the outro's last frames
};

CutFrames cutFramesOf(const Loop& cuts, int64_t songFrames);
CutFrames cutFramesOf(const RenderPlan& plan);

// A + N (B - A) + (song - O); N is not checked.
int64_t montageFrames(const CutFrames& cuts, int repetitions);

// Closest: the N (1 to 100) whose montage lies closest to the target, ties to
// the shorter. Exact: the shortest montage not below the target, its outro
// ended at the target frame. Throws a message naming the limit when the
// target is below one repetition's montage or above a hundred's, and
// kTargetGapMessage when an exact target falls inside a loop pass.
TargetFit fitTarget(const CutFrames& cuts, const DurationTarget& target);

// Ends the plan's outro as an exact fit says.
void applyTarget(RenderPlan& plan, const TargetFit& fit);
