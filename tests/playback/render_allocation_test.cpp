// The audio thread must never wait on the heap while it renders: once a
// playback has started, filling buffers allocates nothing in any mode, not
// even when the exploration decides its jumps.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "playback/audio_thread.h"
#include "playback/playback_fixture.h"

namespace {

std::atomic<long> allocations{0};
thread_local bool counting = false;

void* allocate(std::size_t size)
{
    if (counting)
        ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}
void* operator new[](std::size_t size)
{
    return allocate(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

TEST(RenderAllocation, FillingBuffersAllocatesNothingInAnyMode)
{
    const int64_t frames = 96000;
    const std::vector<float> pcm = playbackSong(frames);
    // Dense: a beat every 480 frames with five connections each, so most
    // buffers hold several beat changes and jump decisions.
    const Analysis analysis = beatGrid(frames, 300, 480, 5);
    const Loop cuts = cutRecord(0.25, 0.75, 1.25);
    platform::AudioOutput output;
    output.queue = [](int, const int16_t*, uint32_t) {};
    const std::atomic<bool> stop{false};

    // The count sees allocations at all.
    counting = true;
    int* volatile probe = new int(7);
    delete probe;
    counting = false;
    ASSERT_EQ(allocations.load(), 1);

    for (const PlaybackMode mode : {PlaybackMode::Original, PlaybackMode::Loop, PlaybackMode::JoinTest,
                                    PlaybackMode::Explore}) {
        PlaybackCursor cursor = startCursor(mode, cuts, 0.02, 0.1, pcm, analysis);
        OutputBuffer* buffer = new OutputBuffer;
        allocations = 0;
        counting = true;
        for (int k = 0; k < 400 && !cursor.ended; ++k)
            fillBuffer(cursor, *buffer, k % platform::kAudioSlots, output, stop);
        counting = false;
        EXPECT_EQ(allocations.load(), 0) << static_cast<int>(mode);
        if (mode == PlaybackMode::Explore) {
            EXPECT_GT(cursor.recent.count, 0u);
        }
        delete buffer;
    }
}

} // namespace
