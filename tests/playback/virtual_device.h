// A sound output for tests: it keeps every queued sample and plays on a
// virtual clock that moves a fixed number of frames each time the player
// waits, so playback runs as fast as the machine allows and every published
// position can be checked against the frame being "heard".
#pragma once
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/audio_device.h"

struct VirtualDevice {
    // Set up before playback starts.
    int32_t openError = 0;
    int failingQueue = -1;  // this queue call (0 = first) throws
    uint64_t step = 347;    // frames played per wait; odd, so the clock lands everywhere in a buffer
    std::atomic<uint64_t> stallAt{std::numeric_limits<uint64_t>::max()};  // the clock stops here
    std::function<void(uint64_t clock)> onWait;  // on the audio thread, before the clock moves

    // Kept by the device; read them from the test thread after the audio thread has ended,
    // except the atomics.
    std::atomic<uint64_t> clock{0};
    std::atomic<bool> paused{false};
    std::atomic<bool> stalled{false};  // the clock has reached stallAt
    std::atomic<int> waits{0};
    bool opened = false;
    std::atomic<bool> closed{false};
    int queues = 0;
    uint64_t queued = 0;
    uint64_t slotEnd[platform::kAudioSlots] = {};
    const int16_t* slotSamples[platform::kAudioSlots] = {};
    bool flushed = false;
    std::vector<int16_t> stream;  // every queued sample, in order
};

inline platform::AudioOutput virtualOutput(const std::shared_ptr<VirtualDevice>& device)
{
    platform::AudioOutput out;
    out.open = [device] {
        device->opened = true;
        return device->openError;
    };
    out.queue = [device](int slot, const int16_t* samples, uint32_t frames) {
        if (device->queues++ == device->failingQueue)
            throw std::runtime_error("refused");
        if (device->slotSamples[slot] && device->slotSamples[slot] != samples)
            throw std::logic_error("a slot changed its sample area");
        device->slotSamples[slot] = samples;
        device->stream.insert(device->stream.end(), samples, samples + 2 * frames);
        device->queued += frames;
        device->slotEnd[slot] = device->queued;
    };
    out.finished = [device](int slot) { return device->flushed || device->clock.load() >= device->slotEnd[slot]; };
    out.framesPlayed = [device] { return device->clock.load(); };
    out.pause = [device] { device->paused.store(true); };
    out.resume = [device] { device->paused.store(false); };
    out.reset = [device] { device->flushed = true; };
    out.close = [device] { device->closed.store(true); };
    out.wait = [device](uint32_t) {
        ++device->waits;
        const uint64_t now = device->clock.load();
        if (device->onWait)
            device->onWait(now);
        const uint64_t limit = std::min(device->queued, device->stallAt.load());
        if (now >= device->stallAt.load())
            device->stalled.store(true);
        if (device->paused.load() || now >= limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return;
        }
        device->clock.store(std::min(now + device->step, limit));
    };
    return out;
}

// Waits up to ten seconds for a condition another thread makes true.
inline bool eventually(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
