// The sound device's position counters, widened past their 32-bit wrap. The
// device is faked by its readings: a stream played for hours, read every
// few buffers, in the unit the device answers in.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/win32/wave_position.h"

namespace {

using platform::PositionUnit;

constexpr uint32_t kRate = 48000;
constexpr uint32_t kBytesPerFrame = 4;

TEST(WavePosition, WidensACounterAcrossItsWrap)
{
    struct Case {
        const char* what;
        uint64_t widened;
        uint32_t reading;
        uint64_t expected;
    };
    const std::vector<Case> cases = {
        {"from the start", 0, 1000, 1000},
        {"unchanged", 5000, 5000, 5000},
        {"just before the wrap", 0xFFFFF000u, 0xFFFFFFFFu, 0xFFFFFFFFu},
        {"across the wrap", 0xFFFFF000u, 0x10u, 0x100000010u},
        {"across the second wrap", 0x1FFFFFF00u, 0x20u, 0x200000020u},
        {"well past a wrap", 0x100000010u, 0x7000'0000u, 0x170000000u},
        {"a little behind", 0x100000010u, 0x8u, 0x100000008u},
        {"a little behind, across the wrap", 0x100000010u, 0xFFFFFFF0u, 0xFFFFFFF0u},
        {"behind the start", 0x10u, 0xFFFFFFF0u, 0xFFFFFFF0u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::widenCounter(c.widened, c.reading), c.expected) << c.what;
}

// Eight hours of playback read every 2048 frames (one buffer), as the audio
// thread reads it, from a device that answers in each unit. Every count must
// keep rising with the frames really played; in bytes the counter wraps at
// 2^32 bytes (about 6.2 hours).
TEST(WavePosition, AFakeDevicePlayingForHoursKeepsCounting)
{
    constexpr uint64_t kEightHours = uint64_t{8} * 3600 * kRate;
    for (const PositionUnit unit : {PositionUnit::Samples, PositionUnit::Bytes, PositionUnit::Milliseconds}) {
        SCOPED_TRACE(static_cast<int>(unit));
        platform::WavePosition position;
        uint64_t last = 0;
        bool crossedWrap = false;
        for (uint64_t played = 0; played <= kEightHours; played += 2048) {
            uint64_t count = played;  // what the device counts, before it keeps only 32 bits
            if (unit == PositionUnit::Bytes)
                count = played * kBytesPerFrame;
            else if (unit == PositionUnit::Milliseconds)
                count = played * 1000 / kRate;
            crossedWrap |= count > 0xFFFFFFFFu;
            const uint64_t frames = platform::framesAtReading(position, unit, static_cast<uint32_t>(count), kRate,
                                                              kBytesPerFrame);
            // Milliseconds lose up to a millisecond's worth of frames.
            const uint64_t expected = unit == PositionUnit::Milliseconds ? count * kRate / 1000 : played;
            ASSERT_EQ(frames, expected) << "after " << played << " frames";
            ASSERT_GE(frames, last);
            last = frames;
        }
        EXPECT_EQ(crossedWrap, unit == PositionUnit::Bytes);
        EXPECT_GT(last, kEightHours - kRate / 1000);
    }
}

} // namespace
