// Widening the sound device's position to a 64-bit frame count. The device
// answers in samples, bytes or milliseconds, each a 32-bit count that wraps:
// in bytes after 2^32 bytes, about 6.2 hours of 48 kHz 16-bit stereo. Pure
// arithmetic, so the native tests check it too.
#pragma once
#include <cstdint>

namespace platform {

// The count a wrapping 32-bit counter has reached, from the count widened
// last time and a new reading. Readings must come often enough that the
// counter moves by less than half its range in between; one a little behind
// the last counts as going back.
inline uint64_t widenCounter(uint64_t widened, uint32_t reading)
{
    const auto step = static_cast<int32_t>(reading - static_cast<uint32_t>(widened));
    if (step < 0 && uint64_t(-int64_t{step}) > widened)
        return reading;  // behind the start: nothing to go back to
    return widened + static_cast<uint64_t>(int64_t{step});
}

enum class PositionUnit { Samples, Bytes, Milliseconds };

// Each unit's counter is widened on its own: the device may answer in
// another unit than the one asked for, and each wraps at its own point.
struct WavePosition {
    uint64_t samples = 0;
    uint64_t bytes = 0;
    uint64_t milliseconds = 0;
};

// Frames played, from one reading in the unit the device answered in, for a
// stream of frameRate frames of bytesPerFrame bytes per second.
inline uint64_t framesAtReading(WavePosition& position, PositionUnit unit, uint32_t reading, uint32_t frameRate,
                                uint32_t bytesPerFrame)
{
    switch (unit) {
    case PositionUnit::Samples:
        return position.samples = widenCounter(position.samples, reading);
    case PositionUnit::Bytes:
        position.bytes = widenCounter(position.bytes, reading);
        return position.bytes / bytesPerFrame;
    case PositionUnit::Milliseconds:
        position.milliseconds = widenCounter(position.milliseconds, reading);
        return position.milliseconds * frameRate / 1000;
    }
    return 0;
}

} // namespace platform
