// Small synthetic songs and helpers shared by the render tests.
#pragma once
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

#include "render/render_plan.h"

// Every sample differs from its neighbours, so a frame taken from the wrong
// index, channel or section shows up as a wrong value.
inline std::vector<float> distinctSong(int64_t frames, uint32_t seed = 1, float amplitude = 0.9f)
{
    std::vector<float> pcm(static_cast<size_t>(2 * frames));
    uint32_t state = seed * 2654435761u + 1;
    for (float& sample : pcm) {
        state = state * 1664525u + 1013904223u;
        sample = amplitude * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    return pcm;
}

inline double framesToSeconds(double frames) { return frames / 48000.0; }

// Runs f and expects a std::runtime_error carrying exactly message.
inline void expectFailure(const std::function<void()>& f, const std::string& message)
{
    try {
        f();
        ADD_FAILURE() << "no exception, expected \"" << message << "\"";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), message);
    }
}

inline int64_t totalFrames(const std::vector<Segment>& segments)
{
    int64_t frames = 0;
    for (const Segment& s : segments)
        frames += s.count;
    return frames;
}
