// What the real sound output plays, heard through a capture of the system's
// audio stream: tests/playback/win32/run_with_audio.sh runs this program with
// the default output recording every sample into a file (named by
// TAMREL_AUDIO_CAPTURE), or with no usable output at all
// (TAMREL_AUDIO_NO_DEVICE). Without either the tests skip.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "analysis/cut_rule.h"
#include "playback/playback_control.h"
#include "playback/playback_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* capturePath()
{
    return std::getenv("TAMREL_AUDIO_CAPTURE");
}

#define REQUIRE_CAPTURE()                                                          \
    if (!capturePath())                                                            \
    GTEST_SKIP() << "run through run_with_audio.sh to hear the sound output"

uint64_t captureSize()
{
    std::ifstream in(capturePath(), std::ios::binary | std::ios::ate);
    return in ? static_cast<uint64_t>(in.tellg()) : 0;
}

// The frames of the last stream played, without the silent frames the
// system may add around it (the test songs have none). Each opening of the
// output starts the capture file afresh.
std::vector<int16_t> capturedStream()
{
    std::ifstream in(capturePath(), std::ios::binary);
    std::vector<int16_t> heard;
    int16_t frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame))
        if (frame[0] != 0 || frame[1] != 0)
            heard.insert(heard.end(), frame, frame + 2);
    return heard;
}

bool waitFor(const std::function<bool()>& condition, int seconds = 30)
{
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The first difference of two streams, for a readable failure.
std::string firstDifference(const std::vector<int16_t>& heard, const std::vector<int16_t>& expected)
{
    for (size_t i = 0; i < std::min(heard.size(), expected.size()); ++i)
        if (heard[i] != expected[i])
            return "frame " + std::to_string(i / 2) + " channel " + std::to_string(i % 2) + ": heard " +
                   std::to_string(heard[i]) + ", expected " + std::to_string(expected[i]);
    return "heard " + std::to_string(heard.size() / 2) + " frames, expected " + std::to_string(expected.size() / 2);
}

struct Session {
    Player player;
    std::vector<float> pcm;
    Analysis analysis;
    PlaybackInputs inputs;
    double playhead = 0.0;

    explicit Session(int64_t frames) : pcm(playbackSong(frames, 3))
    {
        inputs.audio = &pcm;
        inputs.analysis = &analysis;
        inputs.cuts = cutRecord(0.2, 0.45, 0.6);
        inputs.fadeSeconds = 0.02;
    }
    ~Session() { stopPlayback(player, playhead); }
    void start(PlaybackMode mode, double t)
    {
        // The output creates the file afresh when it opens; until then the
        // last stream's capture must not pass for this one's.
        if (capturePath())
            std::remove(capturePath());
        const StartOutcome outcome = startPlayback(player, inputs, false, mode, t);
        ASSERT_TRUE(outcome.started) << outcome.status;
    }
    bool playing() const { return player.state.playing.load(); }
    double position() const { return player.state.position.load(); }
};

TEST(WaveOutCapture, OriginalPlaysTheSongAtItsGainSampleForSample)
{
    REQUIRE_CAPTURE();
    Session s(36000);
    s.start(PlaybackMode::Original, 0.0);
    ASSERT_TRUE(waitFor([&] { return !s.playing(); }));
    EXPECT_EQ(s.player.state.deviceError.load(), 0);
    const std::vector<int16_t> heard = capturedStream();
    const std::vector<int16_t> expected = expectedOriginal(s.pcm, 0);
    EXPECT_TRUE(heard == expected) << firstDifference(heard, expected);
}

TEST(WaveOutCapture, LoopStartsAtAWrapsAtBWithItsTailCrossfade)
{
    REQUIRE_CAPTURE();
    Session s(48000);
    s.start(PlaybackMode::Loop, 0.05);  // before A: starts at A
    // Five wraps, seen in the published position going back. What the
    // system still held when playback stopped may be missing from the
    // capture, so three whole passes are asked of it.
    int wraps = 0;
    double last = s.position();
    ASSERT_TRUE(waitFor([&] {
        const double now = s.position();
        wraps += now < last;
        last = now;
        return wraps >= 5;
    }));
    stopPlayback(s.player, s.playhead);
    EXPECT_EQ(s.player.state.deviceError.load(), 0);

    const std::vector<int16_t> heard = capturedStream();
    const int64_t loopFrames = 12000;  // 0.2 s .. 0.45 s
    ASSERT_GE(heard.size(), 2u * 3 * loopFrames) << "three passes were heard";
    const std::vector<int16_t> expected =
        expectedLoop(s.pcm, cutRecord(0.2, 0.45, 0.6), 0.02, 0, static_cast<int64_t>(heard.size() / 2));
    EXPECT_TRUE(heard == expected) << firstDifference(heard, expected);
}

TEST(WaveOutCapture, JoinTestPlaysSixExcerptsAndEndsByItself)
{
    REQUIRE_CAPTURE();
    Session s(40000);
    s.start(PlaybackMode::JoinTest, 0.2);
    ASSERT_TRUE(waitFor([&] { return !s.playing(); }));
    EXPECT_EQ(s.player.state.deviceError.load(), 0);
    const std::vector<int16_t> heard = capturedStream();
    const std::vector<int16_t> expected = expectedJoinTest(s.pcm, cutRecord(0.2, 0.45, 0.6), 0.02);
    ASSERT_EQ(expected.size(), 2u * 6 * 9600);  // L: the 0.2 s before A
    EXPECT_TRUE(heard == expected) << firstDifference(heard, expected);
}

TEST(WaveOutCapture, TwoExplorationsFromTheSameBeatSoundTheSame)
{
    REQUIRE_CAPTURE();
    Session s(96000);
    s.analysis = beatGrid(96000, 1000, 1500);
    std::vector<int16_t> runs[2];
    for (std::vector<int16_t>& heard : runs) {
            s.start(PlaybackMode::Explore, 0.6);
        // Long enough for many beats and several jumps.
        ASSERT_TRUE(waitFor([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return captureSize() > 4 * 96000;
        }));
        stopPlayback(s.player, s.playhead);
        EXPECT_EQ(s.player.state.deviceError.load(), 0);
        heard = capturedStream();
    }
    const size_t common = std::min(runs[0].size(), runs[1].size());
    ASSERT_GT(common, 2u * 96000);
    const std::vector<int16_t> expected = expectedExplore(s.pcm, s.analysis, 0.6, static_cast<int64_t>(common / 2));
    for (std::vector<int16_t>& heard : runs) {
        heard.resize(common);
        EXPECT_TRUE(heard == expected) << firstDifference(heard, expected);
    }
}

// The system's output as the audio thread uses it, watched: whether the
// device itself is paused, and how many of the thread's polls of the frames
// played have found the same count as the poll before while it was.
struct WatchedOutput {
    std::atomic<bool> devicePaused{false};
    std::atomic<int> stillPolls{0};  // reset by any movement
    std::atomic<uint64_t> lastCount{0};
};

platform::AudioOutput watchedSystemOutput(WatchedOutput& watch)
{
    const platform::AudioOutput real = platform::systemAudioOutput();
    platform::AudioOutput output = real;
    output.pause = [real, &watch] {
        real.pause();
        watch.stillPolls = 0;
        watch.devicePaused = true;
    };
    output.resume = [real, &watch] {
        watch.devicePaused = false;
        real.resume();
    };
    output.framesPlayed = [real, &watch] {
        const uint64_t count = real.framesPlayed();
        if (watch.devicePaused)
            watch.stillPolls = count == watch.lastCount ? watch.stillPolls + 1 : 0;
        watch.lastCount = count;
        return count;
    };
    return output;
}

TEST(WaveOutCapture, PauseThenResumeLosesAndRepeatsNothing)
{
    REQUIRE_CAPTURE();
    Session s(96000);
    WatchedOutput watch;
    s.player.makeOutput = [&watch] { return watchedSystemOutput(watch); };
    s.start(PlaybackMode::Original, 0.0);
    ASSERT_TRUE(waitFor([&] { return s.position() > 0.5; }));
    togglePause(s.player);
    // The pause has reached the device once it reports the same frames
    // played at a few polls in a row; from then on it must stay there.
    ASSERT_TRUE(waitFor([&] { return watch.stillPolls >= 5; })) << "the device never stood still";
    const double held = s.position();
    const int settled = watch.stillPolls;
    ASSERT_TRUE(waitFor([&] { return watch.stillPolls >= settled + 20 || watch.stillPolls < settled; }));
    EXPECT_GE(watch.stillPolls, settled + 20) << "the device played on while paused";
    EXPECT_EQ(s.position(), held) << "the position moved while paused";
    EXPECT_TRUE(s.playing());
    togglePause(s.player);
    ASSERT_TRUE(waitFor([&] { return !s.playing(); }));
    EXPECT_EQ(s.player.state.deviceError.load(), 0);
    const std::vector<int16_t> heard = capturedStream();
    const std::vector<int16_t> expected = expectedOriginal(s.pcm, 0);
    EXPECT_TRUE(heard == expected) << firstDifference(heard, expected);
}

TEST(NoSoundDevice, AStartReportsTheDeviceAndNothingHangs)
{
    if (!std::getenv("TAMREL_AUDIO_NO_DEVICE"))
        GTEST_SKIP() << "run through run_with_audio.sh without a sound output";
    Session s(48000);
    for (const PlaybackMode mode : {PlaybackMode::Original, PlaybackMode::Loop, PlaybackMode::Explore}) {
        s.analysis = beatGrid(48000, 1000, 6000);
        s.start(mode, 0.0);
        ASSERT_TRUE(waitFor([&] { return !s.playing(); }, 10));
        EXPECT_NE(s.player.state.deviceError.load(), 0);
    }
    stopPlayback(s.player, s.playhead);
}

} // namespace
