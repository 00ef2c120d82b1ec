#include "playback/frame_source.h"

#include <algorithm>
#include <cmath>

#include "base/audio_constants.h"

namespace {

constexpr double kFramesPerSecond = kSongFrameRate;
constexpr double kPi = 3.14159265358979323846;

bool validBeat(const PlaybackCursor& c, int32_t beat)
{
    return beat >= 0 && static_cast<size_t>(beat) < c.analysis->beats.size();
}

// Seconds to a frame index limited to first .. last, rounded half away from
// zero; NaN and huge values never reach the integer conversion.
int64_t frameAt(double seconds, int64_t first, int64_t last)
{
    const double x = seconds * kFramesPerSecond;
    if (!(x > static_cast<double>(first)))
        return first;
    if (!(x < static_cast<double>(last)))
        return last;
    return std::clamp(static_cast<int64_t>(std::llround(x)), first, last);
}

// Beats come from the analysis or from the cache, and a cached beat's
// duration is not checked against its neighbours, so both ends are held
// inside the song: a beat starts on a frame that exists and ends at most at
// the song's end.
int64_t beatStart(const PlaybackCursor& c, int32_t beat)
{
    return frameAt(c.analysis->beats[static_cast<size_t>(beat)].time, 0, std::max<int64_t>(c.frames - 1, 0));
}

int64_t beatEnd(const PlaybackCursor& c, int32_t beat)
{
    const Beat& b = c.analysis->beats[static_cast<size_t>(beat)];
    return frameAt(b.time + b.duration, 0, c.frames);
}

void chooseNext(PlaybackCursor& c)
{
    c.next = chooseNextBeat(*c.analysis, c.cur, c.generator, c.recent, kJumpProbability, c.connections, c.scratch);
    if (!validBeat(c, c.next))
        c.next = 0;  // after the last beat the walk goes on at the first
    c.nextStart = beatStart(c, c.next);
}

void songFrame(const PlaybackCursor& c, int64_t n, float gain, SourceFrame& frame)
{
    const float* s = c.pcm->data() + 2 * n;
    frame.left = s[0] * gain;
    frame.right = s[1] * gain;
}

bool originalFrame(PlaybackCursor& c, SourceFrame& frame)
{
    if (c.pos >= c.frames) {
        c.ended = true;
        return false;
    }
    songFrame(c, c.pos, c.gain, frame);
    frame.songFrame = static_cast<uint64_t>(c.pos);
    ++c.pos;
    return true;
}

bool loopFrame(PlaybackCursor& c, SourceFrame& frame)
{
    const auto [left, right] = sectionFrame(c.plan, SectionKind::Loop, c.pos - c.plan.startSample);
    frame.left = left * c.gain;
    frame.right = right * c.gain;
    frame.songFrame = static_cast<uint64_t>(c.pos);
    if (++c.pos >= c.plan.endSample)
        c.pos = c.plan.startSample;
    return true;
}

bool joinTestFrame(PlaybackCursor& c, SourceFrame& frame)
{
    while (c.segment < c.segments.size() && c.offset >= c.segments[c.segment].count) {
        c.offset = 0;
        ++c.segment;
    }
    if (c.segment >= c.segments.size()) {
        c.ended = true;
        return false;
    }
    const Segment& s = c.segments[c.segment];
    const int64_t i = s.offset + c.offset;
    const auto [left, right] = sectionFrame(c.plan, s.section, i);
    frame.left = left * c.gain;
    frame.right = right * c.gain;
    const int64_t base = s.section == SectionKind::Start  ? 0
                         : s.section == SectionKind::Loop ? c.plan.startSample
                                                          : c.plan.outroSample;
    frame.songFrame = static_cast<uint64_t>(base + i);
    ++c.offset;
    return true;
}

bool exploreFrame(PlaybackCursor& c, SourceFrame& frame)
{
    if (c.pos >= c.frames) {
        c.ended = true;
        return false;
    }
    songFrame(c, c.pos, c.gain, frame);
    frame.songFrame = static_cast<uint64_t>(c.pos);

    // Before a jump the beat's last frames fade into the frames that lead up
    // to the target beat, so the target starts where its own lead-in went.
    const int64_t e = c.curEnd;
    const int64_t s = c.nextStart;
    if (c.next != c.cur + 1 && e > kJumpFadeFrames && s > kJumpFadeFrames && c.pos >= e - kJumpFadeFrames &&
        c.pos < e && c.pos + s - e < c.frames) {
        const int64_t k = c.pos - (e - kJumpFadeFrames);
        const double d = 0.5 - 0.5 * std::cos(kPi * static_cast<double>(k) / static_cast<double>(kJumpFadeFrames - 1));
        SourceFrame lead;
        songFrame(c, c.pos + s - e, c.gain, lead);
        frame.left = static_cast<float>(static_cast<double>(frame.left) * (1.0 - d) + static_cast<double>(lead.left) * d);
        frame.right =
            static_cast<float>(static_cast<double>(frame.right) * (1.0 - d) + static_cast<double>(lead.right) * d);
    }

    // Every beat plays at least one frame, so even a beat that ends before
    // it starts cannot hold the walk still.
    if (++c.pos >= e) {
        c.cur = c.next;
        c.pos = s;
        rememberBeat(c.recent, c.cur);
        c.curEnd = beatEnd(c, c.cur);
        chooseNext(c);
    }
    return true;
}

} // namespace

float engineGain(const std::vector<float>& pcm)
{
    return headroomGain(songPeak(pcm));
}

PlaybackCursor startCursor(PlaybackMode mode, const Loop& cuts, double fadeSeconds, double startSeconds,
                           const std::vector<float>& pcm, const Analysis& analysis, float peak)
{
    if (peak < 0.0f)
        peak = songPeak(pcm);
    PlaybackCursor c;
    c.mode = mode;
    c.pcm = &pcm;
    c.analysis = &analysis;
    c.frames = static_cast<int64_t>(pcm.size() / 2);
    if (mode == PlaybackMode::Loop || mode == PlaybackMode::JoinTest)
        c.gain = prepareRender(c.plan, pcm, cuts, fadeSeconds, peak);
    else
        c.gain = headroomGain(peak);

    // Truncated, not rounded: the frame that is playing at that time.
    const double start = startSeconds * kFramesPerSecond;
    const int64_t last = std::max<int64_t>(c.frames - 1, 0);
    c.pos = !(start > 0.0) ? 0 : start >= static_cast<double>(last) ? last : static_cast<int64_t>(start);
    if (mode == PlaybackMode::Loop && (c.pos < c.plan.startSample || c.pos >= c.plan.endSample))
        c.pos = c.plan.startSample;
    if (mode == PlaybackMode::JoinTest)
        c.segments = joinSegments(c.plan);

    c.cur = beatIndexAt(analysis, static_cast<double>(c.pos) / kFramesPerSecond);
    c.next = c.cur + 1;
    c.generator.seed(kWalkSeed);
    if (mode == PlaybackMode::Explore && !analysis.beats.empty()) {
        c.walking = true;
        c.connections = indexConnections(analysis);
        c.scratch = walkScratchFor(c.connections);
        c.curEnd = beatEnd(c, c.cur);
        chooseNext(c);
    }
    return c;
}

bool nextFrame(PlaybackCursor& cursor, SourceFrame& frame)
{
    if (cursor.ended)
        return false;
    switch (cursor.mode) {
    case PlaybackMode::Original:
        return originalFrame(cursor, frame);
    case PlaybackMode::Loop:
        return loopFrame(cursor, frame);
    case PlaybackMode::JoinTest:
        return joinTestFrame(cursor, frame);
    case PlaybackMode::Explore:
        return cursor.walking ? exploreFrame(cursor, frame) : originalFrame(cursor, frame);
    }
    cursor.ended = true;
    return false;
}
