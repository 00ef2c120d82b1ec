#include <gtest/gtest.h>

#include "analysis/cut_rule.h"
#include "playback/playback_control.h"
#include "playback/playback_fixture.h"
#include "playback/virtual_device.h"

namespace {

// This build plays nothing: a start reports a device that cannot open, and
// the shared state says so without anything waiting on a sound card.
TEST(NoSoundDevice, AStartReportsTheDeviceAndEndsAtOnce)
{
    const std::vector<float> pcm = playbackSong(48000);
    const Analysis analysis;
    Player player;
    PlaybackInputs inputs;
    inputs.audio = &pcm;
    inputs.analysis = &analysis;
    inputs.cuts = cutRecord(0.25, 0.5, 0.75);
    inputs.fadeSeconds = 0.02;
    for (const PlaybackMode mode : {PlaybackMode::Original, PlaybackMode::Loop, PlaybackMode::JoinTest}) {
        ASSERT_TRUE(startPlayback(player, inputs, false, mode, 0.0).started);
        ASSERT_TRUE(eventually([&] { return !player.state.playing.load(); }));
        EXPECT_NE(player.state.deviceError.load(), 0);
    }
    double playhead = 0.0;
    stopPlayback(player, playhead);
}

} // namespace
