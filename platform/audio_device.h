// The sound output the player writes to: one 48 kHz 16-bit stereo stream fed
// from a fixed set of buffers that the caller owns. A plain table of
// operations, so tests can put a device of their own in its place.
#pragma once
#include <cstdint>
#include <functional>

namespace platform {

inline constexpr int kAudioSlots = 4;                // buffers in rotation
inline constexpr uint32_t kAudioSlotFrames = 2048;  // frames one buffer holds at most

struct AudioOutput {
    // Opens the default output. 0 when it is open, otherwise the device's own
    // error code (never 0); after a failure only close may be called.
    std::function<int32_t()> open;
    // Queues slot's buffer of `frames` frames (interleaved left/right). The
    // samples must stay untouched until the slot is finished or the device is
    // closed; each slot always passes the same sample area. Throws
    // std::runtime_error when the device refuses the buffer.
    std::function<void(int slot, const int16_t* samples, uint32_t frames)> queue;
    // Whether the buffer last queued in this slot has been played (or flushed).
    std::function<bool(int slot)> finished;
    // Frames played since open, counted over every buffer queued.
    std::function<uint64_t()> framesPlayed;
    std::function<void()> pause;
    std::function<void()> resume;
    // Drops everything queued; every slot then counts as finished.
    std::function<void()> reset;
    // Releases the device; safe after a failed open and when never opened.
    std::function<void()> close;
    // Sleeps until a buffer finishes or at most `milliseconds` pass.
    std::function<void(uint32_t milliseconds)> wait;
};

// The system's default sound output, not yet opened.
AudioOutput systemAudioOutput();

} // namespace platform
