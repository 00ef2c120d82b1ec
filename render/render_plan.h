// The cut rule and the sample-exact rendering of start, loop and outro with
// their raised-cosine crossfades. Frames are computed on demand from the song.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "analysis/analysis_model.h"
#include "analysis/cut_rule.h"

enum class SectionKind : int32_t { Start = 0, Loop = 1, Outro = 2 };

struct Segment {
    SectionKind section = SectionKind::Start;
    int64_t offset = 0;  // from the first frame of the section
    int64_t count = 0;
};

struct RenderPlan {
    const std::vector<float>* pcm = nullptr;  // interleaved stereo 48 kHz; not owned
    int64_t startSample = 0;
    int64_t endSample = 0;
    int64_t outroSample = 0;
    int64_t fadeSamples = 0;
    float gain = 1.0f;
    // An export to an exact duration ends the outro early: it drops its last
    // outroTrim frames and fades its new end out over fadeOutFrames frames.
    int64_t outroTrim = 0;
    int64_t fadeOutFrames = 0;
};

// Seconds to 48 kHz frames, to nearest, halves away from zero.
int64_t secondsToFrames(double seconds);

// The gain of a song whose loudest sample has this magnitude: only ever
// turned down, so that the loudest sample lands at 0.98; silence keeps 1.
float headroomGain(float peak);
// Validates, converts to frames, scans the song for its peak; returns the gain.
float prepareRender(RenderPlan& plan, const std::vector<float>& pcm, const Loop& cuts, double fadeSeconds);
// The same with the song's peak already measured (songPeak), so a start
// need not read the whole song again.
float prepareRender(RenderPlan& plan, const std::vector<float>& pcm, const Loop& cuts, double fadeSeconds, float peak);

// The loudest sample's magnitude; infinite when a sample is not finite.
float songPeak(const std::vector<float>& pcm);
int64_t songFrames(const RenderPlan& plan);
int64_t sectionLength(const RenderPlan& plan, SectionKind section);
// Falling half of a Hann window over a fade-out of length frames: 1 at
// frame 0, exactly 0 at the last frame.
double fadeOutWeight(int64_t frame, int64_t length);
// Left and right of frame i of a section, before the gain.
std::pair<float, float> sectionFrame(const RenderPlan& plan, SectionKind section, int64_t index);
// Frames first .. first + count - 1 of a section, interleaved left/right
// (2 * count floats), before the gain; same values as sectionFrame. Returns a
// pointer straight into the song when no frame of the range is faded, else
// fills scratch and returns it. The range must lie inside the section.
[[nodiscard]] const float* sectionFrames(const RenderPlan& plan, SectionKind section, int64_t first, int64_t count,
                                         float* scratch);
// Throws "Repeticiones: entre 1 y 100.".
std::vector<Segment> montageSegments(const RenderPlan& plan, unsigned repetitions);
std::vector<Segment> joinSegments(const RenderPlan& plan);
