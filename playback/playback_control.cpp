#include "playback/playback_control.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "base/audio_constants.h"
#include "analysis/cut_rule.h"
#include "playback/audio_thread.h"
#include "render/render_plan.h"

namespace {

constexpr double kFramesPerSecond = kSongFrameRate;

bool hasSong(const PlaybackInputs& inputs)
{
    return inputs.audio && !inputs.audio->empty();
}

// Ends a running audio thread without touching the playhead.
void endThread(Player& player)
{
    player.state.stopRequested.store(true);
    if (player.thread.joinable())
        player.thread.join();
    player.state.playing.store(false);
    player.state.paused.store(false);
}

const Analysis& analysisOf(const PlaybackInputs& inputs)
{
    static const Analysis none;
    return inputs.analysis ? *inputs.analysis : none;
}

} // namespace

const char* modeLabel(PlaybackMode mode)
{
    switch (mode) {
    case PlaybackMode::Original:
        return "Original \xC2\xB7 clic en la l\xC3\xADnea de tiempo para desplazarte";
    case PlaybackMode::Loop:
        return "Loop sincronizado \xC2\xB7 reproducci\xC3\xB3n continua";
    case PlaybackMode::Explore:
        return "Exploraci\xC3\xB3n infinita \xC2\xB7 saltos entre beats compatibles";
    case PlaybackMode::JoinTest:
        return "Prueba de las tres uniones del montaje";
    }
    return "";
}

StartOutcome startPlayback(Player& player, const PlaybackInputs& inputs, bool busy, PlaybackMode mode, double t)
{
    if (!hasSong(inputs) || busy)
        return {};
    const Analysis& analysis = analysisOf(inputs);

    PlaybackRequest request;
    try {
        if (mode == PlaybackMode::Explore && analysis.beats.empty())
            throw std::runtime_error(kNoBeatsToExploreMessage);
        const Loop& cuts = inputs.cuts;
        const double fade = inputs.fadeSeconds;
        if (mode == PlaybackMode::Loop || mode == PlaybackMode::JoinTest)
            validateCuts(inputs.audio->size() / 2, cuts.start, cuts.end, cuts.outro, fade);
        request.cuts = cuts;
        request.fadeSeconds = fade;
        request.output = player.makeOutput();
    } catch (const std::exception& e) {
        return {false, e.what()};
    }
    request.mode = mode;
    request.startSeconds = t;
    request.pcm = inputs.audio;
    request.peak = inputs.peak;
    request.analysis = &analysis;

    endThread(player);
    PlaybackState& state = player.state;
    state.deviceError.store(0);
    state.stopRequested.store(false);
    state.paused.store(false);
    state.playing.store(true);
    state.position.store(t);
    try {
        player.thread = std::thread(audioThread, std::ref(state), std::move(request));
    } catch (...) {
        // No thread, no sound: the playback timer reports it as a device failure.
        state.deviceError.store(1);
        state.playing.store(false);
    }
    return {true, modeLabel(mode)};
}

void stopPlayback(Player& player, double& playhead)
{
    if (player.state.playing.load())
        playhead = player.state.position.load();
    endThread(player);
}

void togglePause(Player& player)
{
    if (!player.state.playing.load())
        return;
    // One exchange, so two quick toggles never collapse into one.
    bool seen = player.state.paused.load();
    while (!player.state.paused.compare_exchange_weak(seen, !seen)) {
    }
}

StartOutcome seek(Player& player, const PlaybackInputs& inputs, PlaybackView& view, double t)
{
    const bool wasPlaying = player.state.playing.load();
    const bool wasPaused = player.state.paused.load();
    stopPlayback(player, view.playhead);

    const double duration = hasSong(inputs) ? static_cast<double>(inputs.audio->size() / 2) / kFramesPerSecond : 0.0;
    double last = duration - 0.001;
    if (!(last > 0.0))
        last = 0.0;
    view.playhead = !(t > 0.0) ? 0.0 : t > last ? last : t;

    if (!wasPlaying)
        return {};
    StartOutcome outcome = startPlayback(player, inputs, view.busy, view.mode, view.playhead);
    if (wasPaused && player.state.playing.load())
        player.state.paused.store(true);
    return outcome;
}
