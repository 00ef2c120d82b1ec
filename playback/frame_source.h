// Where each playback mode takes its frames from: the song as it is, the loop
// section repeated with its tail crossfade, the six join excerpts, or the
// exploration's walk along the beats. Every frame comes with the song frame
// it was rendered from, so the heard position can be published exactly.
#pragma once
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/analysis_model.h"
#include "playback/beat_walk.h"
#include "playback/playback_state.h"
#include "render/render_plan.h"

inline constexpr int64_t kJumpFadeFrames = 288;  // 6 ms from a beat's tail into the next beat's lead-in

struct PlaybackCursor {
    PlaybackMode mode = PlaybackMode::Original;
    const std::vector<float>* pcm = nullptr;
    const Analysis* analysis = nullptr;
    int64_t frames = 0;  // of the song
    int64_t pos = 0;     // next song frame
    float gain = 1.0f;   // the plan's in Loop and JoinTest mode
    bool ended = false;
    uint64_t outputFrames = 0;  // handed to the device since the start

    RenderPlan plan;  // Loop, JoinTest
    std::vector<Segment> segments;  // JoinTest
    size_t segment = 0;
    int64_t offset = 0;

    bool walking = false;  // Explore with beats
    int32_t cur = 0;
    int32_t next = 0;
    int64_t curEnd = 0;     // first frame after the current beat
    int64_t nextStart = 0;  // first frame of the beat to play next
    RecentBeats recent;
    std::mt19937 generator;
    ConnectionIndex connections;
    WalkScratch scratch;
};

struct SourceFrame {
    float left = 0.0f;
    float right = 0.0f;
    uint64_t songFrame = 0;
};

// Everything the request's mode needs, positioned at its first frame. Throws
// the render plan's messages in Loop and JoinTest mode. The song's peak, when
// known (not negative), spares reading the whole song before the first sound.
PlaybackCursor startCursor(PlaybackMode mode, const Loop& cuts, double fadeSeconds, double startSeconds,
                           const std::vector<float>& pcm, const Analysis& analysis, float peak = -1.0f);

// The next frame, gain applied; false (and `ended` set) once the source has
// run out. Allocates nothing.
bool nextFrame(PlaybackCursor& cursor, SourceFrame& frame);

// The level Original and Explore play at: the loudest sample lands at 0.98,
// quieter songs keep unity gain.
float engineGain(const std::vector<float>& pcm);
