#include "base/utf.h"
#include "playback/playback_control.h"

#include <gtest/gtest.h>

#include <memory>

#include "playback/playback_fixture.h"
#include "playback/virtual_device.h"

namespace {

constexpr double kRate = 48000.0;
const std::string kCutsMessage = kInvalidCutsMessage;

// A player whose every start plays through a fresh virtual device; the
// latest one is kept for inspection.
struct Bench {
    Player player;
    std::shared_ptr<VirtualDevice> device;
    uint64_t stallAt = UINT64_MAX;
    std::vector<float> pcm = playbackSong(96000);  // 2 s
    Analysis analysis = beatGrid(96000, 1000, 12000);
    PlaybackInputs inputs;

    Bench()
    {
        player.makeOutput = [this] {
            device = std::make_shared<VirtualDevice>();
            device->stallAt = stallAt;
            return virtualOutput(device);
        };
        inputs.audio = &pcm;
        inputs.analysis = &analysis;
        inputs.cuts = cutRecord(0.5, 1.0, 1.25);
        inputs.fadeSeconds = 0.02;
    }
    ~Bench()
    {
        double ignored = 0.0;
        stopPlayback(player, ignored);
    }
    StartOutcome start(PlaybackMode mode, double t) { return startPlayback(player, inputs, false, mode, t); }
    bool playing() const { return player.state.playing.load(); }
    bool stalled() const { return device && device->stalled.load(); }
};

TEST(PlaybackControl, EachModeStartsWithItsLabel)
{
    struct Case {
        PlaybackMode mode;
        const char* label;
    } cases[] = {
        {PlaybackMode::Original, "Original · clic en la línea de tiempo para desplazarte"},
        {PlaybackMode::Loop, "Loop sincronizado · reproducción continua"},
        {PlaybackMode::Explore, "Exploración infinita · saltos entre beats compatibles"},
        {PlaybackMode::JoinTest, "Prueba de las tres uniones del montaje"},
    };
    Bench b;
    // The device holds still early, so no mode can play to its end before
    // the check: the 2 s song lasts only milliseconds on the virtual clock.
    b.stallAt = 1000;
    for (const Case& c : cases) {
        const StartOutcome outcome = b.start(c.mode, 0.5);
        EXPECT_TRUE(outcome.started);
        EXPECT_EQ(outcome.status, c.label);
        EXPECT_TRUE(b.playing());
    }
}

TEST(PlaybackControl, AFailedCheckShowsItsMessageAndLeavesARunningPlaybackRunning)
{
    struct Case {
        const char* name;
        PlaybackMode mode;
        double start, end, outro, fadeMs;
        bool noBeats;
        std::string message;  // empty: it plays
    } cases[] = {
        {"explore without beats", PlaybackMode::Explore, 0.5, 1.0, 1.25, 20, true, kNoBeatsToExploreMessage},
        {"explore with beats", PlaybackMode::Explore, 0.5, 1.0, 1.25, 20, false, ""},
        {"3 ms fade, loop", PlaybackMode::Loop, 0.5, 1.0, 1.25, 3, false, kCutsMessage},
        {"3 ms fade, join test", PlaybackMode::JoinTest, 0.5, 1.0, 1.25, 3, false, kCutsMessage},
        {"3 ms fade, original", PlaybackMode::Original, 0.5, 1.0, 1.25, 3, false, ""},
        {"outro before B", PlaybackMode::Loop, 0.5, 1.0, 0.9, 20, false, kCutsMessage},
        {"outro too late", PlaybackMode::JoinTest, 0.5, 1.0, 1.97, 20, false, kCutsMessage},
        {"infinite fade, loop", PlaybackMode::Loop, 0.5, 1.0, 1.25, HUGE_VAL, false, kCutsMessage},
    };
    for (const Case& c : cases) {
        Bench b;
        b.stallAt = 1000;
        ASSERT_TRUE(b.start(PlaybackMode::Original, 0.0).started);
        ASSERT_TRUE(eventually([&] { return b.stalled(); }));
        const std::shared_ptr<VirtualDevice> running = b.device;

        b.inputs.cuts = cutRecord(c.start, c.end, c.outro);
        b.inputs.fadeSeconds = c.fadeMs / 1000.0;
        Analysis none;
        if (c.noBeats)
            b.inputs.analysis = &none;
        const StartOutcome outcome = b.start(c.mode, 0.6);
        if (c.message.empty()) {
            EXPECT_TRUE(outcome.started) << c.name;
            EXPECT_EQ(outcome.status, modeLabel(c.mode)) << c.name;
            EXPECT_NE(b.device, running) << c.name;
        } else {
            EXPECT_FALSE(outcome.started) << c.name;
            EXPECT_EQ(outcome.status, c.message) << c.name;
            EXPECT_EQ(b.device, running) << c.name << ": the old playback was replaced";
            EXPECT_FALSE(running->closed) << c.name << ": the old playback was stopped";
        }
        EXPECT_TRUE(b.playing()) << c.name;
        double playhead = 0.0;
        stopPlayback(b.player, playhead);
    }
}

TEST(PlaybackControl, NothingStartsWithoutASongOrWhileBusy)
{
    Bench b;
    EXPECT_EQ(startPlayback(b.player, b.inputs, true, PlaybackMode::Original, 0.0).status, "");
    PlaybackInputs empty = b.inputs;
    const std::vector<float> none;
    empty.audio = &none;
    EXPECT_FALSE(startPlayback(b.player, empty, false, PlaybackMode::Original, 0.0).started);
    empty.audio = nullptr;
    EXPECT_FALSE(startPlayback(b.player, empty, false, PlaybackMode::Original, 0.0).started);
    EXPECT_FALSE(b.playing());
    EXPECT_EQ(b.device, nullptr);
}

TEST(PlaybackControl, StoppingLeavesThePlayheadAtTheLastPublishedPosition)
{
    Bench b;
    b.stallAt = 5000;
    ASSERT_TRUE(b.start(PlaybackMode::Original, 1.0).started);
    ASSERT_TRUE(eventually([&] { return b.stalled(); }));
    ASSERT_TRUE(eventually([&] { return b.player.state.position.load() == (48000 + 5000) / kRate; }));
    double playhead = 1.0;
    stopPlayback(b.player, playhead);
    EXPECT_EQ(playhead, (48000 + 5000) / kRate);
    EXPECT_FALSE(b.playing());
    EXPECT_TRUE(b.device->closed);
}

TEST(PlaybackControl, StopAndPauseAreHarmlessWhenNothingPlays)
{
    Player player;
    double playhead = 3.0;
    stopPlayback(player, playhead);
    togglePause(player);
    EXPECT_EQ(playhead, 3.0);
    EXPECT_FALSE(player.state.paused.load());

    // After the sound has ended by itself, the playhead stays where it was.
    Bench b;
    ASSERT_TRUE(b.start(PlaybackMode::Original, 1.9).started);
    ASSERT_TRUE(eventually([&] { return !b.playing(); }));
    playhead = 1.9;
    stopPlayback(b.player, playhead);
    EXPECT_EQ(playhead, 1.9);
}

TEST(PlaybackControl, TogglePauseFlipsThePausedStateOfARunningPlayback)
{
    Bench b;
    ASSERT_TRUE(b.start(PlaybackMode::Loop, 0.5).started);
    togglePause(b.player);
    EXPECT_TRUE(b.player.state.paused.load());
    ASSERT_TRUE(eventually([&] { return b.device->paused.load(); }));
    togglePause(b.player);
    EXPECT_FALSE(b.player.state.paused.load());
    ASSERT_TRUE(eventually([&] { return !b.device->paused.load(); }));
}

TEST(PlaybackControl, SeekingLimitsThePlayheadToTheSong)
{
    struct Case {
        double t;
        double playhead;
    } cases[] = {{-5.0, 0.0}, {0.75, 0.75}, {2.0, 2.0 - 0.001}, {500.0, 2.0 - 0.001}, {NAN, 0.0}};
    for (const Case& c : cases) {
        Bench b;
        PlaybackView view;
        view.playhead = 0.3;
        const StartOutcome outcome = seek(b.player, b.inputs, view, c.t);
        EXPECT_EQ(view.playhead, c.playhead) << c.t;
        EXPECT_FALSE(outcome.started) << "stopped playback stays stopped";
        EXPECT_FALSE(b.playing());
    }
    Bench b;
    PlaybackView view;
    b.inputs.audio = nullptr;
    seek(b.player, b.inputs, view, 4.0);
    EXPECT_EQ(view.playhead, 0.0);
}

TEST(PlaybackControl, SeekingRestartsARunningPlaybackThereAndKeepsAPause)
{
    for (const bool paused : {false, true}) {
        Bench b;
        b.stallAt = 2000;
        PlaybackView view;
        view.mode = PlaybackMode::Explore;
        ASSERT_TRUE(b.start(PlaybackMode::Explore, 0.1).started);
        ASSERT_TRUE(eventually([&] { return b.stalled(); }));
        if (paused) {
            togglePause(b.player);
            ASSERT_TRUE(eventually([&] { return b.device->paused.load(); }));
        }
        const std::shared_ptr<VirtualDevice> before = b.device;

        const StartOutcome outcome = seek(b.player, b.inputs, view, 1.5);
        EXPECT_TRUE(outcome.started);
        EXPECT_EQ(outcome.status, modeLabel(PlaybackMode::Explore));
        EXPECT_EQ(view.playhead, 1.5);
        EXPECT_NE(b.device, before);
        EXPECT_TRUE(before->closed);
        EXPECT_TRUE(b.playing());
        EXPECT_EQ(b.player.state.paused.load(), paused);
        if (paused) {
            // Paused from its first frame on: the clock never moves.
            ASSERT_TRUE(eventually([&] { return b.device->paused.load() && b.device->waits.load() > 20; }));
            EXPECT_EQ(b.device->clock.load(), 0u);
            EXPECT_EQ(b.player.state.position.load(), 72000 / kRate);
        } else {
            ASSERT_TRUE(eventually([&] { return b.stalled(); }));
            EXPECT_EQ(b.player.state.position.load(), (72000 + 2000) / kRate);
        }
    }
}

TEST(PlaybackControl, ADeviceThatCannotOpenIsReportedThroughTheSharedState)
{
    Bench b;
    b.player.makeOutput = [] {
        auto device = std::make_shared<VirtualDevice>();
        device->openError = 6;
        return virtualOutput(device);
    };
    ASSERT_TRUE(b.start(PlaybackMode::Original, 0.0).started);
    ASSERT_TRUE(eventually([&] { return !b.playing(); }));
    EXPECT_EQ(b.player.state.deviceError.load(), 6);
    // The next start clears it.
    b.player.makeOutput = [] { return virtualOutput(std::make_shared<VirtualDevice>()); };
    ASSERT_TRUE(b.start(PlaybackMode::Original, 1.99).started);
    EXPECT_EQ(b.player.state.deviceError.load(), 0);
}

} // namespace
