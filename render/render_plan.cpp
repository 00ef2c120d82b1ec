#include "render/render_plan.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <cstring>
#include <stdexcept>

#include "base/audio_constants.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Three seconds either side of each join in the audition.
constexpr int64_t kJoinExcerptFrames = 144000;

// Rising half of a Hann window over len frames: 0 at w = 0, exactly 1 at
// w = len - 1 (cos(pi) is exactly -1), so the fade lands on the very frame
// that makes the join seamless.
double riseWeight(int64_t w, int64_t len)
{
    if (len <= 1)
        return 1.0;
    return 0.5 - 0.5 * std::cos(kPi * static_cast<double>(w) / static_cast<double>(len - 1));
}

// The loop's tail fade never reaches back before the loop start: when the
// rounded loop is shorter than the fade, the fade covers the whole loop, so
// its last frame still lands exactly on the frame before A.
int64_t loopTailFrames(const RenderPlan& plan)
{
    return std::min(plan.fadeSamples, plan.endSample - plan.startSample);
}

void copyFrames(const float* song, int64_t firstFrame, int64_t count, float* out)
{
    if (count > 0)
        std::memcpy(out, song + 2 * firstFrame, static_cast<size_t>(count) * 2 * sizeof(float));
}

// from * (1 - weight) + to * weight for both channels, mixed in double.
void mixFrame(const float* song, int64_t fromFrame, int64_t toFrame, double weight, float* out)
{
    for (int c = 0; c < 2; ++c) {
        const double from = song[2 * fromFrame + c];
        const double to = song[2 * toFrame + c];
        out[c] = static_cast<float>(to * weight + from * (1.0 - weight));
    }
}

// The outro's last frames fade out when an exact duration ended it early.
const float* fadeOutTail(const RenderPlan& plan, int64_t first, int64_t count, const float* frames, float* scratch)
{
    const int64_t length = sectionLength(plan, SectionKind::Outro);
    const int64_t fadeStart = length - plan.fadeOutFrames;
    if (plan.fadeOutFrames <= 0 || first + count <= fadeStart)
        return frames;
    if (frames != scratch)
        copyFrames(frames, 0, count, scratch);
    for (int64_t i = std::max(first, fadeStart); i < first + count; ++i) {
        const double weight = fadeOutWeight(i - fadeStart, plan.fadeOutFrames);
        for (int c = 0; c < 2; ++c) {
            float& sample = scratch[2 * (i - first) + c];
            sample = static_cast<float>(static_cast<double>(sample) * weight);
        }
    }
    return scratch;
}

// The outro before any fade-out: its head continues where the loop would
// have gone on (S(A), ...) and fades into the outro.
const float* outroFrames(const RenderPlan& plan, int64_t first, int64_t count, float* scratch)
{
    const float* song = plan.pcm->data();
    const int64_t a = plan.startSample;
    const int64_t o = plan.outroSample;
    const int64_t last = first + count;
    if (first >= plan.fadeSamples)
        return song + 2 * (o + first);
    float* out = scratch;
    const int64_t headEnd = std::clamp(plan.fadeSamples, first, last);
    for (int64_t i = first; i < headEnd; ++i, out += 2)
        mixFrame(song, a + i, o + i, riseWeight(i, plan.fadeSamples), out);
    copyFrames(song, o + headEnd, last - headEnd, out);
    return scratch;
}

} // namespace

int64_t secondsToFrames(double seconds)
{
    return std::llround(seconds * kSongFrameRate);
}

double fadeOutWeight(int64_t frame, int64_t length)
{
    if (length <= 1)
        return 0.0;
    return 0.5 + 0.5 * std::cos(kPi * static_cast<double>(frame) / static_cast<double>(length - 1));
}

float headroomGain(float peak)
{
    return peak < 1e-9f ? 1.0f : std::min(0.98f / peak, 1.0f);
}

float songPeak(const std::vector<float>& pcm)
{
    // Four independent maxima (a chain of one would wait on itself): a
    // fourth of the time on a long song, and the same peak.
    float peak[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    int nonFinite = 0;
    const float* s = pcm.data();
    const size_t n = pcm.size();
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        for (size_t k = 0; k < 4; ++k) {
            const float magnitude = std::fabs(s[i + k]);
            nonFinite |= !(magnitude <= FLT_MAX);
            peak[k] = magnitude > peak[k] ? magnitude : peak[k];
        }
    for (; i < n; ++i) {
        const float magnitude = std::fabs(s[i]);
        nonFinite |= !(magnitude <= FLT_MAX);
        peak[0] = magnitude > peak[0] ? magnitude : peak[0];
    }
    if (nonFinite)
        return std::numeric_limits<float>::infinity();
    return std::max(std::max(peak[0], peak[1]), std::max(peak[2], peak[3]));
}

float prepareRender(RenderPlan& plan, const std::vector<float>& pcm, const Loop& cuts, double fadeSeconds)
{
    validateCuts(pcm.size() / 2, cuts.start, cuts.end, cuts.outro, fadeSeconds);
    // The whole song counts, not only the cut region, and the level is set once per song.
    return prepareRender(plan, pcm, cuts, fadeSeconds, songPeak(pcm));
}

float prepareRender(RenderPlan& plan, const std::vector<float>& pcm, const Loop& cuts, double fadeSeconds, float peak)
{
    validateCuts(pcm.size() / 2, cuts.start, cuts.end, cuts.outro, fadeSeconds);
    // The render must never carry a NaN or infinity into a file.
    if (!(peak <= FLT_MAX))
        throw std::runtime_error("Audio no finito.");

    RenderPlan filled;
    filled.pcm = &pcm;
    filled.startSample = secondsToFrames(cuts.start);
    filled.endSample = secondsToFrames(cuts.end);
    filled.outroSample = secondsToFrames(cuts.outro);
    filled.fadeSamples = secondsToFrames(fadeSeconds);
    filled.gain = headroomGain(peak);
    plan = filled;
    return plan.gain;
}

int64_t songFrames(const RenderPlan& plan)
{
    return plan.pcm ? static_cast<int64_t>(plan.pcm->size() / 2) : 0;
}

int64_t sectionLength(const RenderPlan& plan, SectionKind section)
{
    switch (section) {
    case SectionKind::Start:
        return plan.startSample;
    case SectionKind::Loop:
        return plan.endSample - plan.startSample;
    case SectionKind::Outro:
        return songFrames(plan) - plan.outroSample - plan.outroTrim;
    }
    return 0;
}

const float* sectionFrames(const RenderPlan& plan, SectionKind section, int64_t first, int64_t count,
                           float* scratch)
{
    const float* song = plan.pcm->data();
    const int64_t a = plan.startSample;
    const int64_t last = first + count;
    float* out = scratch;
    switch (section) {
    case SectionKind::Start:
        return song + 2 * first;
    case SectionKind::Loop: {
        const int64_t tail = loopTailFrames(plan);
        const int64_t tailStart = (plan.endSample - a) - tail;
        if (last <= tailStart)
            return song + 2 * (a + first);
        const int64_t plainEnd = std::clamp(tailStart, first, last);
        copyFrames(song, a + first, plainEnd - first, out);
        out += 2 * (plainEnd - first);
        // The tail fades the loop out while the audio just before A fades in.
        for (int64_t i = plainEnd; i < last; ++i, out += 2) {
            const int64_t w = i - tailStart;
            mixFrame(song, a + i, a - tail + w, riseWeight(w, tail), out);
        }
        return scratch;
    }
    case SectionKind::Outro:
        return fadeOutTail(plan, first, count, outroFrames(plan, first, count, scratch), scratch);
    }
    return scratch;
}

std::pair<float, float> sectionFrame(const RenderPlan& plan, SectionKind section, int64_t index)
{
    float scratch[2];
    const float* frame = sectionFrames(plan, section, index, 1, scratch);
    return {frame[0], frame[1]};
}

std::vector<Segment> montageSegments(const RenderPlan& plan, unsigned repetitions)
{
    if (repetitions < kFewestRepetitions || repetitions > kMostRepetitions)
        throw std::runtime_error("Repeticiones: entre 1 y 100.");
    std::vector<Segment> segments;
    segments.reserve(repetitions + 2);
    segments.push_back({SectionKind::Start, 0, sectionLength(plan, SectionKind::Start)});
    for (unsigned n = 0; n < repetitions; ++n)
        segments.push_back({SectionKind::Loop, 0, sectionLength(plan, SectionKind::Loop)});
    segments.push_back({SectionKind::Outro, 0, sectionLength(plan, SectionKind::Outro)});
    return segments;
}

std::vector<Segment> joinSegments(const RenderPlan& plan)
{
    const int64_t loopLength = sectionLength(plan, SectionKind::Loop);
    const int64_t excerpt = std::min({plan.startSample, kJoinExcerptFrames, loopLength,
                                      sectionLength(plan, SectionKind::Outro)});
    return {
        {SectionKind::Start, plan.startSample - excerpt, excerpt},  // start -> loop
        {SectionKind::Loop, 0, excerpt},
        {SectionKind::Loop, loopLength - excerpt, excerpt},  // loop -> loop
        {SectionKind::Loop, 0, excerpt},
        {SectionKind::Loop, loopLength - excerpt, excerpt},  // loop -> outro
        {SectionKind::Outro, 0, excerpt},
    };
}
