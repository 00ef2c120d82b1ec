// The command handler: what every control of the window does when pressed.
#include "ui/win32/commands.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "analysis/cut_rule.h"
#include "app/settings.h"
#include "app/song_jobs.h"
#include "base/cancel.h"
#include "base/number_field.h"
#include "base/utf.h"
#include "playback/beat_walk.h"
#include "session/session_file.h"
#include "ui/timeline_geometry.h"
#include "ui/win32/main_window.h"

PlaybackInputs playbackInputs()
{
    WindowState& s = ui();
    PlaybackInputs inputs;
    inputs.audio = &s.song.audio;
    inputs.analysis = &s.song.analysis;
    inputs.start = fieldText(kIdFieldA);
    inputs.end = fieldText(kIdFieldB);
    inputs.outro = fieldText(kIdFieldO);
    inputs.fadeMillis = fieldText(kIdCrossfade);
    return inputs;
}

namespace {

void applyStart(const StartOutcome& outcome)
{
    if (outcome.started) {
        SetTimer(ui().main, kPlaybackTimer, kPlaybackTimerMs, nullptr);
        refreshViews();
    }
    if (!outcome.status.empty())
        setStatus(toWide(outcome.status));
}

void play(PlaybackMode mode, double t)
{
    applyStart(startPlayback(player(), playbackInputs(), ui().view.busy, mode, t));
}

// The checked cuts, crossfade (s) and repetitions of the fields.
struct CheckedFields {
    Loop cuts;
    double fadeSeconds = 0;
    int repetitions = 0;
};

CheckedFields checkFields()
{
    WindowState& s = ui();
    CheckedFields checked;
    checked.cuts = readCutFields(fieldText(kIdFieldA), fieldText(kIdFieldB), fieldText(kIdFieldO));
    checked.fadeSeconds = readNumberField(fieldText(kIdCrossfade)) / 1000.0;
    validateCuts(s.song.audio.size() / 2, checked.cuts.start, checked.cuts.end, checked.cuts.outro,
                 checked.fadeSeconds);
    const double repetitions = readNumberField(fieldText(kIdRepetitions));
    if (repetitions != std::floor(repetitions) || repetitions < kFewestRepetitions || repetitions > kMostRepetitions)
        throw std::runtime_error(kSessionRepetitionsMessage);
    checked.repetitions = static_cast<int>(repetitions);
    return checked;
}

// Stops playback, shows the job's text and disables what a job must not meet.
std::function<void()> prepareForJob(const std::u16string& status)
{
    return [status] {
        stopPlaybackAndRefresh();
        setStatus(toWide(status) + L"\u2026");
        setBusy(true);
    };
}

void startExport()
{
    WindowState& s = ui();
    const CheckedFields checked = checkFields();
    launch(s.running->jobs, kExportStatus,
           exportJob(s.song.audio, s.song.analysis, checked.cuts, checked.fadeSeconds, checked.repetitions,
                     s.running->folders.outputFolder, s.song.path),
           prepareForJob(kExportStatus));
}

void chooseOutputFolder()
{
    WindowState& s = ui();
    const std::filesystem::path folder = s.seams.folderPicker(s.main);
    if (folder.empty())
        return;
    storeOutputFolder(s.running->folders, folder);
    SetWindowTextW(s.outputLabel, s.running->folders.outputFolder.wstring().c_str());
}

void saveSessionCommand()
{
    WindowState& s = ui();
    const std::filesystem::path file = s.seams.fileDialog(s.main, DialogKind::SaveSession);
    if (file.empty())
        return;
    const SessionFields fields{fieldText(kIdFieldA), fieldText(kIdFieldB), fieldText(kIdFieldO),
                               fieldText(kIdCrossfade), fieldText(kIdRepetitions)};
    saveSession(file, fields, s.song.audio.size() / 2, s.song.path, s.running->folders.outputFolder);
    setStatus(toWide(std::string(kSessionSavedMessage)));
}

void openSessionCommand()
{
    WindowState& s = ui();
    const std::filesystem::path file = s.seams.fileDialog(s.main, DialogKind::OpenSession);
    if (file.empty())
        return;
    const OpenedSession session = openSession(file, s.running->folders.outputFolder);
    if (!session.outputFolder.empty()) {
        // For this run only; the settings file keeps the user's own choice.
        s.running->folders.outputFolder = session.outputFolder;
        SetWindowTextW(s.outputLabel, session.outputFolder.wstring().c_str());
    }
    s.sessionCuts = session.cuts;
    s.sessionCrossfade = session.crossfadeMs;
    s.sessionRepetitions = session.repetitions;
    s.restoreSessionCuts = true;
    openSong(session.song);
}

void stepBeat(int direction)
{
    WindowState& s = ui();
    const auto& beats = s.song.analysis.beats;
    if (beats.empty())
        return;
    const bool wasPlaying = player().state.playing.load();
    stopPlayback(player(), s.view.playhead);
    int i = beatIndexAt(s.song.analysis, s.view.playhead) + direction;
    i = std::clamp(i, 0, static_cast<int>(beats.size()) - 1);
    s.view.playhead = beats[static_cast<size_t>(i)].time;
    if (wasPlaying)
        play(s.view.mode, s.view.playhead);
    refreshViews();
}

void chooseMode(PlaybackMode mode)
{
    WindowState& s = ui();
    const bool wasPlaying = player().state.playing.load();
    stopPlayback(player(), s.view.playhead);
    s.view.mode = mode;
    if (wasPlaying)
        play(mode, s.view.playhead);
    refreshViews();
}

void runIdleCommand(int id)
{
    WindowState& s = ui();
    switch (id) {
    case kIdOpenAudio: {
        s.restoreSessionCuts = false;
        const std::filesystem::path song = s.seams.fileDialog(s.main, DialogKind::OpenAudio);
        if (!song.empty())
            openSong(song);
        break;
    }
    case kIdOutputFolder:
        chooseOutputFolder();
        break;
    case kIdList: {
        const LRESULT selected = SendMessageW(control(kIdList), LB_GETCURSEL, 0, 0);
        if (selected >= 1 && static_cast<size_t>(selected) <= s.song.analysis.loops.size())
            showCuts(s.song.analysis.loops[static_cast<size_t>(selected) - 1]);
        refreshViews();
        break;
    }
    case kIdJoinTest:
        if (audioLoaded()) {
            checkFields();
            play(PlaybackMode::JoinTest, readNumberField(fieldText(kIdFieldA)));
        }
        break;
    case kIdExport:
        if (audioLoaded())
            startExport();
        break;
    case kIdShowExport:
        if (!s.lastExportFolder.empty())
            s.seams.shellOpen(s.main, s.lastExportFolder.wstring());
        break;
    case kIdSaveSession:
        saveSessionCommand();
        break;
    case kIdOpenSession:
        openSessionCommand();
        break;
    case kIdHelp:
        s.seams.shellOpen(s.main, (installFolder() / "LEEME.html").wstring());
        break;
    case kIdPlay:
        if (!audioLoaded())
            break;
        if (player().state.playing.load()) {
            togglePause(player());
            refreshViews();
        } else {
            play(s.view.mode, s.view.playhead);
        }
        break;
    case kIdOriginal:
        chooseMode(PlaybackMode::Original);
        break;
    case kIdLoop:
        chooseMode(PlaybackMode::Loop);
        break;
    case kIdExplore:
        chooseMode(PlaybackMode::Explore);
        break;
    case kIdBeatBack:
        stepBeat(-1);
        break;
    case kIdBeatForward:
        stepBeat(+1);
        break;
    default:
        break;
    }
}

} // namespace

void stopPlaybackAndRefresh()
{
    stopPlayback(player(), ui().view.playhead);
    KillTimer(ui().main, kPlaybackTimer);
    refreshViews();
}

void runCommand(int id)
{
    WindowState& s = ui();
    if (id == kIdStop) {
        stopPlaybackAndRefresh();
        return;
    }
    if (id == kIdCancel) {
        cancelFlag.exchange(true);
        setStatus(L"Cancelando\u2026");
        return;
    }
    if (s.view.busy)
        return;
    try {
        runIdleCommand(id);
    } catch (const std::exception& e) {
        s.seams.messageBox(s.main, toWide(std::string(e.what())), MB_ICONINFORMATION);
    }
}

void openSong(const std::filesystem::path& path)
{
    WindowState& s = ui();
    if (s.view.busy)
        return;
    s.song.path = path;
    SetWindowTextW(s.songLabel, path.filename().wstring().c_str());
    launch(s.running->jobs, kLoadStatus, loadJob(path, s.running->folders, s.running->model, s.running->jobs.mainWindow),
           prepareForJob(kLoadStatus));
}

void zoomTimeline(double factor)
{
    WindowState& s = ui();
    if (!audioLoaded())
        return;
    const TimelineView next = zoomedView(TimelineView{s.viewStart, s.visibleSpan, songDuration(s.song), 0}, factor, 0.5);
    s.visibleSpan = next.visibleSpan;
    s.viewStart = next.viewStart;
    refreshViews();
}

void seekTo(double t)
{
    WindowState& s = ui();
    const StartOutcome outcome = seek(player(), playbackInputs(), s.view, t);
    if (outcome.started)
        SetTimer(s.main, kPlaybackTimer, kPlaybackTimerMs, nullptr);
    else if (!outcome.status.empty())
        setStatus(toWide(outcome.status));
    refreshViews();
}
