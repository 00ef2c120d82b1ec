// The audio thread: renders the request's frames into four rotating device
// buffers, keeps them queued, and publishes the song time being heard.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/audio_device.h"
#include "playback/frame_source.h"
#include "playback/playback_state.h"

struct OutputBuffer {
    int16_t samples[2 * platform::kAudioSlotFrames] = {};  // interleaved left/right
    uint64_t songFrames[platform::kAudioSlotFrames] = {};  // what each frame was rendered from
    uint64_t start = 0;       // output frame counter at the first frame
    uint32_t count = 0;       // frames held
    bool submitted = false;   // queued at least once
};

// Float to 16 bits: clipped to -1 .. 1, scaled by 32767, halves away from zero.
int16_t toSample16(float value);

// Renders up to one buffer of frames from the cursor (fewer when the source
// ends or a stop is requested) and queues it on the device. Returns whether
// anything was queued. Throws what the device throws.
bool fillBuffer(PlaybackCursor& cursor, OutputBuffer& buffer, int slot, platform::AudioOutput& output,
                const std::atomic<bool>& stopRequested);

// The thread body. Reports only through state: `position` while it plays,
// `deviceError` on failure, `playing` false once the device is released.
void audioThread(PlaybackState& state, PlaybackRequest request);
