// The command table: what every control of the window does when pressed,
// as operations of the document, and the window's side of their outcome.
#include "ui/win32/commands.h"

#include <array>
#include <stdexcept>

#include "app/document_playback.h"
#include "app/settings.h"
#include "app/song_jobs.h"
#include "app/window_texts.h"
#include "base/cancel.h"
#include "base/utf.h"
#include "ui/timeline_geometry.h"
#include "ui/win32/main_window.h"

namespace {

// The timer follows a playback that started; a failure shows its text.
void applyStart(const StartOutcome& outcome)
{
    if (outcome.started)
        SetTimer(ui().main, kPlaybackTimer, kPlaybackTimerMs, nullptr);
    if (!outcome.status.empty())
        setStatus(toWide(outcome.status));
    refreshViews();
}

// Stops playback, shows the job's text and disables what a job must not meet.
std::function<void()> prepareForJob(const char* status)
{
    return [status] {
        stopPlaybackAndRefresh();
        setStatus(toWide(std::string(status) + kEllipsis));
        setBusy(true);
    };
}

// A job that could not start leaves the window as it was, with the reason.
void startJob(Job job, const char* status)
{
    WindowState& s = ui();
    try {
        launch(s.running->jobs, std::move(job), prepareForJob(status));
    } catch (const std::exception&) {
        setBusy(false);
        setStatus(toWide(std::string(kUnexpectedErrorMessage)));
        throw std::runtime_error(kUnexpectedErrorMessage);
    }
}

void openAudio(WindowState& s)
{
    s.doc.sessionToRestore.reset();
    const std::filesystem::path song = s.seams.fileDialog(s.main, DialogKind::OpenAudio);
    if (!song.empty())
        openSong(song);
}

void chooseOutputFolder(WindowState& s)
{
    const std::filesystem::path folder = s.seams.folderPicker(s.main);
    if (folder.empty())
        return;
    storeOutputFolder(s.running->folders, folder);
    SetWindowTextW(s.outputLabel, s.running->folders.outputFolder.wstring().c_str());
}

void chooseListRow(WindowState& s)
{
    chooseCandidate(s.doc, static_cast<int>(SendMessageW(control(kIdList), LB_GETCURSEL, 0, 0)));
    showEntry();
}

void startExport(WindowState& s)
{
    if (!audioLoaded())
        return;
    const CutSettings settings = checkedSettings(s.doc);
    startJob(exportJob(s.doc.song.audio, s.doc.song.analysis, settings, s.running->folders.outputFolder,
                       s.doc.song.path),
             kExportStatus);
}

void showExport(WindowState& s)
{
    if (!s.doc.lastExportFolder.empty())
        s.seams.shellOpen(s.main, s.doc.lastExportFolder.wstring());
}

void saveSessionCommand(WindowState& s)
{
    const std::filesystem::path file = s.seams.fileDialog(s.main, DialogKind::SaveSession);
    if (file.empty())
        return;
    saveDocumentSession(s.doc, file, s.running->folders.outputFolder);
    setStatus(toWide(std::string(kSessionSavedMessage)));
}

void openSessionCommand(WindowState& s)
{
    const std::filesystem::path file = s.seams.fileDialog(s.main, DialogKind::OpenSession);
    if (file.empty())
        return;
    const std::filesystem::path song = openDocumentSession(s.doc, file, s.running->folders.outputFolder);
    SetWindowTextW(s.outputLabel, s.running->folders.outputFolder.wstring().c_str());
    openSong(song);
}

void help(WindowState& s)
{
    s.seams.shellOpen(s.main, (installFolder() / kHelpFileName).wstring());
}

void joinTest(WindowState& s) { applyStart(playJoinTest(s.doc, player())); }
void playButton(WindowState& s) { applyStart(playOrPause(s.doc, player())); }
void original(WindowState& s) { applyStart(chooseMode(s.doc, player(), PlaybackMode::Original)); }
void loop(WindowState& s) { applyStart(chooseMode(s.doc, player(), PlaybackMode::Loop)); }
void explore(WindowState& s) { applyStart(chooseMode(s.doc, player(), PlaybackMode::Explore)); }
void beatBack(WindowState& s) { applyStart(stepBeat(s.doc, player(), -1)); }
void beatForward(WindowState& s) { applyStart(stepBeat(s.doc, player(), +1)); }
void stopCommand(WindowState&) { stopPlaybackAndRefresh(); }
void zoomOut(WindowState&) { zoomTimeline(1.5); }
void zoomIn(WindowState&) { zoomTimeline(2.0 / 3.0); }

void magnet(WindowState& s)
{
    s.doc.magnet = !s.doc.magnet;
    refreshViews();
}

void cancel(WindowState&)
{
    cancelFlag.exchange(true);
    setStatus(toWide(std::string(kCancellingStatus)));
}

struct CommandEntry {
    int id;
    void (*run)(WindowState&);
    bool whileBusy;  // the few a running job does not lock out
};

const std::array<CommandEntry, 20> kCommands = {{
    {kIdOpenAudio, openAudio, false},        {kIdOutputFolder, chooseOutputFolder, false},
    {kIdList, chooseListRow, false},         {kIdJoinTest, joinTest, false},
    {kIdStop, stopCommand, true},            {kIdExport, startExport, false},
    {kIdCancel, cancel, true},               {kIdShowExport, showExport, false},
    {kIdSaveSession, saveSessionCommand, false}, {kIdOpenSession, openSessionCommand, false},
    {kIdHelp, help, false},                  {kIdPlay, playButton, false},
    {kIdOriginal, original, false},          {kIdLoop, loop, false},
    {kIdExplore, explore, false},            {kIdZoomIn, zoomIn, true},
    {kIdZoomOut, zoomOut, true},             {kIdMagnet, magnet, true},
    {kIdBeatBack, beatBack, false},          {kIdBeatForward, beatForward, false},
}};

} // namespace

void stopPlaybackAndRefresh()
{
    stop(ui().doc, player());
    KillTimer(ui().main, kPlaybackTimer);
    refreshViews();
}

void runCommand(int id)
{
    WindowState& s = ui();
    for (const CommandEntry& entry : kCommands) {
        if (entry.id != id)
            continue;
        if (s.doc.view.busy && !entry.whileBusy)
            return;
        try {
            entry.run(s);
        } catch (const std::exception& e) {
            s.seams.messageBox(s.main, toWide(std::string(e.what())), MB_ICONINFORMATION);
        }
        return;
    }
}

void openSong(const std::filesystem::path& path)
{
    WindowState& s = ui();
    if (s.doc.view.busy)
        return;
    // The song's name changes only once its load has started: a job that
    // could not start leaves the song that is there.
    startJob(loadJob(path, s.running->folders, s.running->model, s.running->jobs.mainWindow), kLoadStatus);
    s.doc.song.path = path;
    SetWindowTextW(s.songLabel, path.filename().wstring().c_str());
}

void zoomTimeline(double factor)
{
    WindowState& s = ui();
    if (!audioLoaded())
        return;
    const TimelineView next = zoomedView(TimelineView{s.viewStart, s.visibleSpan, songDuration(s.doc), 0}, factor, 0.5);
    s.visibleSpan = next.visibleSpan;
    s.viewStart = next.viewStart;
    refreshViews();
}

void seekTo(double t)
{
    applyStart(seekTo(ui().doc, player(), t));
}

void placeCutAt(CutField field, double t)
{
    placeCut(ui().doc, field, t);
    showEntry();
    refreshViews();
}
