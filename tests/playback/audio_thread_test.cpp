#include "playback/audio_thread.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <thread>

#include "playback/playback_fixture.h"
#include "playback/virtual_device.h"

namespace {

constexpr double kRate = 48000.0;
const Analysis noBeats;  // outlives every audio thread

struct EngineRun {
    PlaybackState state;
    std::shared_ptr<VirtualDevice> device = std::make_shared<VirtualDevice>();
    std::thread thread;

    void start(PlaybackMode mode, const std::vector<float>& pcm, const Analysis& analysis, double startSeconds,
               Loop cuts = Loop{}, double fade = 0.0)
    {
        PlaybackRequest r;
        r.mode = mode;
        r.cuts = cuts;
        r.fadeSeconds = fade;
        r.startSeconds = startSeconds;
        r.pcm = &pcm;
        r.analysis = &analysis;
        r.output = virtualOutput(device);
        state.playing.store(true);
        thread = std::thread(audioThread, std::ref(state), r);
    }
    // Waits for the thread to end by itself.
    bool finishes()
    {
        const bool ended = eventually([&] { return !state.playing.load(); });
        if (!ended)
            state.stopRequested.store(true);
        thread.join();
        return ended;
    }
    void stop()
    {
        state.stopRequested.store(true);
        thread.join();
    }
};

TEST(AudioThread, SamplesAreClippedScaledAndRoundedHalfAwayFromZero)
{
    struct Case {
        float value;
        int16_t sample;
    } cases[] = {{0.0f, 0},         {1.0f, 32767},       {-1.0f, -32767}, {1.5f, 32767},      {-7.0f, -32767},
                 {0.5f, 16384},     {-0.5f, -16384},     {1.0f / 32767.0f * 2.5f, 3},      {-2.5f / 32767.0f, -3},
                 {NAN, 0},          {INFINITY, 32767},   {-INFINITY, -32767}};
    for (const Case& c : cases)
        EXPECT_EQ(toSample16(c.value), c.sample) << c.value;
}

TEST(AudioThread, OriginalPlaysToTheSongsEndAndReleasesTheDevice)
{
    const std::vector<float> pcm = playbackSong(30000);
    const Analysis analysis;
    EngineRun run;
    run.start(PlaybackMode::Original, pcm, analysis, 3000.5 / kRate);
    ASSERT_TRUE(run.finishes());
    EXPECT_EQ(run.device->stream, expectedOriginal(pcm, 3000));
    EXPECT_EQ(run.state.deviceError.load(), 0);
    EXPECT_TRUE(run.device->closed && run.device->flushed);
}

TEST(AudioThread, JoinTestPlaysSixExcerptsAndStopsByItself)
{
    const std::vector<float> pcm = playbackSong(60000);
    const Loop cuts = cutRecord(0.25, 0.5, 0.8);
    EngineRun run;
    run.start(PlaybackMode::JoinTest, pcm, noBeats, 0.25, cuts, 0.01);
    ASSERT_TRUE(run.finishes());
    EXPECT_EQ(run.device->stream.size(), 2u * 6u * 12000u);
    EXPECT_EQ(run.device->stream, expectedJoinTest(pcm, cuts, 0.01));
    EXPECT_EQ(run.state.deviceError.load(), 0);
}

TEST(AudioThread, ThePublishedPositionFollowsTheLoopAcrossEveryWrap)
{
    const std::vector<float> pcm = playbackSong(48000);
    const Loop cuts = cutRecord(0.1, 0.3, 0.4);  // A 4800, B 14400
    const int64_t a = 4800, length = 9600;
    EngineRun run;
    int checks = 0, afterWrap = 0;
    bool wrong = false;
    run.device->stallAt = 6 * length;
    run.device->onWait = [&](uint64_t clock) {
        const int64_t n = a + (7000 - a + static_cast<int64_t>(clock)) % length;  // started at 7000
        if (run.state.position.load() != static_cast<double>(n) / kRate)
            wrong = true;
        ++checks;
        afterWrap += n - a < 347;
    };
    run.start(PlaybackMode::Loop, pcm, noBeats, 7000.5 / kRate, cuts, 0.02);
    ASSERT_TRUE(eventually([&] { return run.device->stalled.load(); }));
    run.stop();
    EXPECT_FALSE(wrong);
    EXPECT_GT(checks, 150);
    EXPECT_GE(afterWrap, 4);
    EXPECT_EQ(run.device->stream, expectedLoop(pcm, cuts, 0.02, 7000 - a, static_cast<int64_t>(run.device->queued)));
}

TEST(AudioThread, ThePublishedPositionFollowsTheExplorationAcrossEveryJump)
{
    const int64_t frames = 48000;
    const std::vector<float> pcm = playbackSong(frames);
    const Analysis analysis = beatGrid(frames, 1000, 1200);
    const double start = 0.5;
    // The song frame behind every output frame, from the frame source alone.
    std::vector<uint64_t> songFrames;
    {
        PlaybackCursor cursor = startCursor(PlaybackMode::Explore, Loop{}, 0.0, start, pcm, analysis);
        SourceFrame f;
        for (int k = 0; k < 10 * frames && nextFrame(cursor, f); ++k)
            songFrames.push_back(f.songFrame);
    }
    int jumps = 0;
    for (size_t k = 1; k < songFrames.size(); ++k)
        jumps += songFrames[k] != songFrames[k - 1] + 1;
    ASSERT_GT(jumps, 50);

    EngineRun run;
    int checks = 0;
    bool wrong = false;
    run.device->stallAt = songFrames.size() - 5000;
    run.device->onWait = [&](uint64_t clock) {
        if (run.state.position.load() != static_cast<double>(songFrames[clock]) / kRate)
            wrong = true;
        ++checks;
    };
    run.start(PlaybackMode::Explore, pcm, analysis, start);
    ASSERT_TRUE(eventually([&] { return run.device->stalled.load(); }));
    run.stop();
    EXPECT_FALSE(wrong);
    EXPECT_GT(checks, 1000);
    EXPECT_EQ(run.device->stream, expectedExplore(pcm, analysis, start, static_cast<int64_t>(run.device->queued)));
}

TEST(AudioThread, APauseHoldsTheClockAndThePositionAndResumingLosesNothing)
{
    const std::vector<float> pcm = playbackSong(40000);
    EngineRun run;
    run.device->stallAt = 12000;
    run.start(PlaybackMode::Original, pcm, noBeats, 0.0);
    ASSERT_TRUE(eventually([&] { return run.device->stalled.load(); }));
    run.state.paused.store(true);
    ASSERT_TRUE(eventually([&] { return run.device->paused.load(); }));
    run.device->stallAt = UINT64_MAX;
    const int waits = run.device->waits.load();
    ASSERT_TRUE(eventually([&] { return run.device->waits.load() > waits + 20; }));
    EXPECT_EQ(run.device->clock.load(), 12000u);
    EXPECT_EQ(run.state.position.load(), 12000 / kRate);
    run.state.paused.store(false);
    ASSERT_TRUE(run.finishes());
    EXPECT_EQ(run.device->stream, expectedOriginal(pcm, 0));
}

TEST(AudioThread, AStartWhilePausedKeepsTheDeviceFromPlaying)
{
    const std::vector<float> pcm = playbackSong(40000);
    EngineRun run;
    run.state.paused.store(true);
    run.start(PlaybackMode::Original, pcm, noBeats, 0.0);
    ASSERT_TRUE(eventually([&] { return run.device->waits.load() > 20; }));
    EXPECT_EQ(run.device->clock.load(), 0u);
    EXPECT_TRUE(run.device->paused.load());
    run.stop();
}

TEST(AudioThread, FailuresEndTheThreadWithTheDeviceReleased)
{
    const std::vector<float> pcm = playbackSong(48000);
    {
        EngineRun run;  // no device: its own code, nothing queued
        run.device->openError = 2;
        run.start(PlaybackMode::Original, pcm, noBeats, 0.0);
        ASSERT_TRUE(run.finishes());
        EXPECT_EQ(run.state.deviceError.load(), 2);
        EXPECT_EQ(run.device->queues, 0);
        EXPECT_TRUE(run.device->closed);
    }
    {
        EngineRun run;  // a buffer the device refuses, after two it took
        run.device->failingQueue = 2;
        run.start(PlaybackMode::Original, pcm, noBeats, 0.0);
        ASSERT_TRUE(run.finishes());
        EXPECT_EQ(run.state.deviceError.load(), 1);
        EXPECT_TRUE(run.device->closed && run.device->flushed);
    }
    {
        EngineRun run;  // cuts the render refuses
        run.start(PlaybackMode::Loop, pcm, noBeats, 0.0, cutRecord(0.1, 0.3, 0.4), 0.003);
        ASSERT_TRUE(run.finishes());
        EXPECT_EQ(run.state.deviceError.load(), 1);
        EXPECT_EQ(run.device->queues, 0);
        EXPECT_TRUE(run.device->closed);
    }
}

TEST(AudioThread, AStopRequestEndsAnEndlessLoop)
{
    const std::vector<float> pcm = playbackSong(48000);
    EngineRun run;
    run.start(PlaybackMode::Loop, pcm, noBeats, 0.0, cutRecord(0.1, 0.3, 0.4), 0.02);
    ASSERT_TRUE(eventually([&] { return run.device->clock.load() > 50000; }));
    run.stop();
    EXPECT_FALSE(run.state.playing.load());
    EXPECT_EQ(run.state.deviceError.load(), 0);
    EXPECT_TRUE(run.device->closed && run.device->flushed);
}

} // namespace
