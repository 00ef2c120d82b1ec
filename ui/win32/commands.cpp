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
#include "ui/win32/controls.h"
#include "ui/win32/widgets.h"

namespace {

// The timer follows a playback that started; a failure shows its text.
void applyStart(WindowState& s, const StartOutcome& outcome)
{
    if (outcome.started)
        SetTimer(s.widgets.main, kPlaybackTimer, kPlaybackTimerMs, nullptr);
    if (!outcome.status.empty())
        setStatus(s.widgets, toWide(outcome.status));
    refreshViews(s);
}

Player& player(WindowState& s)
{
    return s.running->player;
}

// Stops playback, shows the job's text and disables what a job must not meet.
std::function<void()> prepareForJob(WindowState& s, const char* status)
{
    return [&s, status] {
        stopPlaybackAndRefresh(s);
        setStatus(s.widgets, toWide(std::string(status) + kEllipsis));
        setBusy(s, true);
    };
}

// A job that could not start leaves the window as it was, with the reason.
void startJob(WindowState& s, Job job, const char* status)
{
    try {
        launch(s.running->jobs, std::move(job), prepareForJob(s, status));
    } catch (const std::exception&) {
        setBusy(s, false);
        setStatus(s.widgets, toWide(std::string(kUnexpectedErrorMessage)));
        throw std::runtime_error(kUnexpectedErrorMessage);
    }
}

void openAudio(WindowState& s)
{
    s.doc.sessionToRestore.reset();
    const std::filesystem::path song = s.seams.fileDialog(s.widgets.main, DialogKind::OpenAudio);
    if (!song.empty())
        openSong(s, song);
}

void chooseOutputFolder(WindowState& s)
{
    const std::filesystem::path folder = s.seams.folderPicker(s.widgets.main);
    if (folder.empty())
        return;
    storeOutputFolder(s.running->folders, folder);
    SetWindowTextW(s.widgets.outputLabel, s.running->folders.outputFolder.wstring().c_str());
}

void chooseListRow(WindowState& s)
{
    chooseCandidate(s.doc, static_cast<int>(SendMessageW(control(s.widgets, kIdList), LB_GETCURSEL, 0, 0)));
    showEntry(s);
}

void startExport(WindowState& s)
{
    if (!songLoaded(s.doc))
        return;
    const ExportRequest request = checkedExport(s.doc);
    startJob(s, exportJob(s.doc.song.audio, s.doc.song.analysis, request.settings, s.running->folders.outputFolder,
                          s.doc.song.path, request.target),
             kExportStatus);
}

void showExport(WindowState& s)
{
    if (!s.doc.lastExportFolder.empty())
        s.seams.shellOpen(s.widgets.main, s.doc.lastExportFolder.wstring());
}

void saveSessionCommand(WindowState& s)
{
    const std::filesystem::path file = s.seams.fileDialog(s.widgets.main, DialogKind::SaveSession);
    if (file.empty())
        return;
    saveDocumentSession(s.doc, file, s.running->folders.outputFolder);
    setStatus(s.widgets, toWide(std::string_view(kSessionSavedMessage)));
}

void openSessionCommand(WindowState& s)
{
    const std::filesystem::path file = s.seams.fileDialog(s.widgets.main, DialogKind::OpenSession);
    if (file.empty())
        return;
    const std::filesystem::path song = openDocumentSession(s.doc, file, s.running->folders.outputFolder);
    SetWindowTextW(s.widgets.outputLabel, s.running->folders.outputFolder.wstring().c_str());
    openSong(s, song);
}

void help(WindowState& s)
{
    s.seams.shellOpen(s.widgets.main, (installFolder() / kHelpFileName).wstring());
}

void joinTest(WindowState& s) { applyStart(s, playJoinTest(s.doc, player(s))); }
void playButton(WindowState& s) { applyStart(s, playOrPause(s.doc, player(s))); }
void original(WindowState& s) { applyStart(s, chooseMode(s.doc, player(s), PlaybackMode::Original)); }
void loop(WindowState& s) { applyStart(s, chooseMode(s.doc, player(s), PlaybackMode::Loop)); }
void explore(WindowState& s) { applyStart(s, chooseMode(s.doc, player(s), PlaybackMode::Explore)); }
void beatBack(WindowState& s) { applyStart(s, stepBeat(s.doc, player(s), -1)); }
void beatForward(WindowState& s) { applyStart(s, stepBeat(s.doc, player(s), +1)); }
void stopCommand(WindowState& s) { stopPlaybackAndRefresh(s); }
void zoomOut(WindowState& s) { zoomTimeline(s, 1.5); }
void zoomIn(WindowState& s) { zoomTimeline(s, 2.0 / 3.0); }

void magnet(WindowState& s)
{
    s.doc.magnet = !s.doc.magnet;
    refreshViews(s);
}

void exact(WindowState& s)
{
    setExact(s.doc, !s.doc.entry.exact);
    showRepetitions(s);
    InvalidateRect(control(s.widgets, kIdExact), nullptr, FALSE);
    refreshViews(s);
}

void cancel(WindowState& s)
{
    cancelFlag.exchange(true);
    setStatus(s.widgets, toWide(std::string_view(kCancellingStatus)));
}

struct CommandEntry {
    int id;
    void (*run)(WindowState&);
    bool whileBusy;  // the few a running job does not lock out
};

const std::array<CommandEntry, 21> kCommands = {{
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
    {kIdExact, exact, false},
}};

} // namespace

void stopPlaybackAndRefresh(WindowState& s)
{
    stop(s.doc, player(s));
    KillTimer(s.widgets.main, kPlaybackTimer);
    refreshViews(s);
}

void runCommand(WindowState& s, int id)
{
    for (const CommandEntry& entry : kCommands) {
        if (entry.id != id)
            continue;
        if (s.doc.view.busy && !entry.whileBusy)
            return;
        try {
            entry.run(s);
        } catch (const std::exception& e) {
            s.seams.messageBox(s.widgets.main, toWide(std::string_view(e.what())), MB_ICONINFORMATION);
        }
        return;
    }
}

void openSong(WindowState& s, const std::filesystem::path& path)
{
    if (s.doc.view.busy)
        return;
    // The song's name changes only once its load has started: a job that
    // could not start leaves the song that is there.
    startJob(s, loadJob(path, s.running->folders, s.running->model, s.running->jobs.mainWindow), kLoadStatus);
    s.doc.song.path = path;
    SetWindowTextW(s.widgets.songLabel, path.filename().wstring().c_str());
}

void zoomTimeline(WindowState& s, double factor)
{
    if (!songLoaded(s.doc))
        return;
    TimelineState& t = s.timeline;
    const TimelineView next = zoomedView(TimelineView{t.viewStart, t.visibleSpan, songDuration(s.doc), 0}, factor, 0.5);
    t.visibleSpan = next.visibleSpan;
    t.viewStart = next.viewStart;
    refreshViews(s);
}

void seekTo(WindowState& s, double t)
{
    applyStart(s, seekTo(s.doc, player(s), t));
}

void placeCutAt(WindowState& s, CutField field, double t)
{
    placeCut(s.doc, field, t);
    showEntry(s);
    refreshViews(s);
}
