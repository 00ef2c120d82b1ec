// What the window and the audio thread share while a song plays, and what the
// window hands the thread when it starts. Only the atomics of PlaybackState
// cross threads; the song audio and analysis are read without locks because
// the window never replaces them while `playing` is true.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "analysis/analysis_model.h"
#include "platform/audio_device.h"

enum class PlaybackMode : int32_t { Original = 0, Loop = 1, Explore = 2, JoinTest = 3 };

struct PlaybackState {
    std::atomic<bool> stopRequested{false};  // set by the window: the thread must finish
    std::atomic<bool> playing{false};        // the thread clears it once the device is released
    std::atomic<bool> paused{false};         // set by the window, applied by the thread
    std::atomic<double> position{0.0};       // song seconds of the frame being heard
    // 0 none; the device's open error code; 1 for any failure after opening.
    std::atomic<int32_t> deviceError{0};
};

struct PlaybackRequest {
    PlaybackMode mode = PlaybackMode::Original;
    Loop cuts;                  // A, B, O in seconds; used by Loop and JoinTest
    double fadeSeconds = 0.0;
    double startSeconds = 0.0;
    const std::vector<float>* pcm = nullptr;  // 48 kHz interleaved stereo; not owned
    const Analysis* analysis = nullptr;       // not owned
    float peak = -1.0f;                       // the song's loudest sample; negative: not yet measured
    platform::AudioOutput output;             // not yet opened
};
