#include "app/document_playback.h"

#include <algorithm>
#include <stdexcept>

#include "playback/beat_walk.h"

namespace {

bool isPlaying(const Player& player)
{
    return player.state.playing.load();
}

} // namespace

StartOutcome play(Document& doc, Player& player, PlaybackMode mode, double t)
{
    PlaybackInputs inputs;
    try {
        // Every mode reads every cut field: one that does not read stops even
        // the original from playing.
        inputs = playbackInputs(doc);
    } catch (const std::exception& e) {
        return {false, e.what()};
    }
    return startPlayback(player, inputs, doc.view.busy, mode, t);
}

StartOutcome playOrPause(Document& doc, Player& player)
{
    if (!songLoaded(doc))
        return {};
    if (isPlaying(player)) {
        togglePause(player);
        return {};
    }
    return play(doc, player, doc.view.mode, doc.view.playhead);
}

void stop(Document& doc, Player& player)
{
    stopPlayback(player, doc.view.playhead);
}

StartOutcome chooseMode(Document& doc, Player& player, PlaybackMode mode)
{
    if (mode == PlaybackMode::Explore && doc.song.analysis.beats.empty())
        return {false, kNoBeatsToExploreMessage};
    const bool wasPlaying = isPlaying(player);
    stop(doc, player);
    doc.view.mode = mode;
    if (!wasPlaying)
        return {};
    return play(doc, player, mode, doc.view.playhead);
}

StartOutcome stepBeat(Document& doc, Player& player, int direction)
{
    const auto& beats = doc.song.analysis.beats;
    if (beats.empty())
        return {};
    const bool wasPlaying = isPlaying(player);
    stop(doc, player);
    int i = beatIndexAt(doc.song.analysis, doc.view.playhead) + direction;
    i = std::clamp(i, 0, static_cast<int>(beats.size()) - 1);
    doc.view.playhead = beats[static_cast<size_t>(i)].time;
    if (!wasPlaying)
        return {};
    return play(doc, player, doc.view.mode, doc.view.playhead);
}

StartOutcome seekTo(Document& doc, Player& player, double t)
{
    PlaybackInputs inputs;
    try {
        inputs = playbackInputs(doc);
    } catch (const std::exception& e) {
        // The playhead still moves; a playback that cannot restart there says why.
        const bool wasPlaying = isPlaying(player);
        stopPlayback(player, doc.view.playhead);
        inputs.audio = &doc.song.audio;
        seek(player, inputs, doc.view, t);
        return wasPlaying ? StartOutcome{false, e.what()} : StartOutcome{};
    }
    return seek(player, inputs, doc.view, t);
}

StartOutcome playJoinTest(Document& doc, Player& player)
{
    if (!songLoaded(doc))
        return {};
    const CutSettings settings = checkedSettings(doc);
    return play(doc, player, PlaybackMode::JoinTest, settings.cuts.start);
}

bool followPlayback(Document& doc, const Player& player)
{
    if (!isPlaying(player))
        return false;
    doc.view.playhead = player.state.position.load();
    return true;
}
