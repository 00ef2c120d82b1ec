#include "playback/audio_thread.h"

#include <cmath>
#include <memory>
#include <stdexcept>

#include "base/audio_constants.h"

namespace {

using platform::kAudioSlots;

constexpr double kFramesPerSecond = kSongFrameRate;
constexpr uint32_t kWaitMilliseconds = 8;

void publishPosition(PlaybackState& state, const OutputBuffer* buffers, uint64_t played)
{
    for (int i = 0; i < kAudioSlots; ++i) {
        const OutputBuffer& b = buffers[i];
        if (b.count > 0 && played >= b.start && played - b.start < b.count) {
            state.position.store(static_cast<double>(b.songFrames[played - b.start]) / kFramesPerSecond);
            return;
        }
    }
}

// Runs once the device is open; leaves closing it to the caller.
void play(PlaybackState& state, const PlaybackRequest& request, platform::AudioOutput& output, OutputBuffer* buffers)
{
    if (!request.pcm || !request.analysis)
        throw std::runtime_error("no song");
    PlaybackCursor cursor = startCursor(request.mode, request.cuts, request.fadeSeconds, request.startSeconds,
                                        *request.pcm, *request.analysis, request.peak);

    // Playback begins with every buffer queued, unless a pause is already
    // asked for, in which case the device stays paused until it is lifted.
    output.pause();
    for (int i = 0; i < kAudioSlots; ++i)
        fillBuffer(cursor, buffers[i], i, output, state.stopRequested);
    bool paused = state.paused.load();
    if (!paused)
        output.resume();

    while (!state.stopRequested.load()) {
        const bool wanted = state.paused.load();
        if (wanted != paused) {
            if (wanted)
                output.pause();
            else
                output.resume();
            paused = wanted;
        }

        publishPosition(state, buffers, output.framesPlayed());

        int queued = 0;
        for (int i = 0; i < kAudioSlots; ++i) {
            OutputBuffer& b = buffers[i];
            if (!b.submitted)
                continue;
            if (!output.finished(i))
                ++queued;
            else if (!cursor.ended && fillBuffer(cursor, b, i, output, state.stopRequested))
                ++queued;
        }
        if (cursor.ended && queued == 0)
            break;  // the source has been played to its end

        output.wait(kWaitMilliseconds);
    }
}

} // namespace

int16_t toSample16(float value)
{
    if (value < -1.0f)
        return -32767;
    if (value > 1.0f)
        return 32767;
    if (!(value == value))
        return 0;  // never reached from a finite song, but no NaN may reach the device
    return static_cast<int16_t>(std::lround(value * 32767.0f));
}

bool fillBuffer(PlaybackCursor& cursor, OutputBuffer& buffer, int slot, platform::AudioOutput& output,
                const std::atomic<bool>& stopRequested)
{
    buffer.start = cursor.outputFrames;
    buffer.count = 0;
    SourceFrame frame;
    while (buffer.count < platform::kAudioSlotFrames && !stopRequested.load() && nextFrame(cursor, frame)) {
        buffer.samples[2 * buffer.count] = toSample16(frame.left);
        buffer.samples[2 * buffer.count + 1] = toSample16(frame.right);
        buffer.songFrames[buffer.count] = frame.songFrame;
        ++buffer.count;
    }
    if (buffer.count == 0)
        return false;
    output.queue(slot, buffer.samples, buffer.count);
    buffer.submitted = true;
    cursor.outputFrames += buffer.count;
    return true;
}

void audioThread(PlaybackState& state, PlaybackRequest request)
{
    platform::AudioOutput& output = request.output;
    int32_t opened = 1;
    try {
        opened = output.open();
    } catch (...) {
        opened = 1;
    }
    if (opened != 0) {
        state.deviceError.store(opened);
        try {
            output.close();
        } catch (...) {
        }
        state.playing.store(false);
        return;
    }

    // The buffers must outlive the device: it reads them until it is closed.
    std::unique_ptr<OutputBuffer[]> buffers;
    try {
        buffers.reset(new OutputBuffer[kAudioSlots]);
        play(state, request, output, buffers.get());
    } catch (...) {
        // Invalid cuts, a non-finite song, a refused buffer, no memory.
        state.deviceError.store(1);
    }
    try {
        output.reset();
        output.close();
    } catch (...) {
    }
    state.playing.store(false);
}
