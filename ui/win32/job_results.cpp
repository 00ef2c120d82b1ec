// What the window does with a job's progress and result, and the playback
// timer that follows the audio thread.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "analysis/cut_rule.h"
#include "app/song_jobs.h"
#include "base/audio_constants.h"
#include "base/utf.h"
#include "base/cancel.h"
#include "playback/playback_control.h"
#include "ui/number_format.h"
#include "ui/playhead_follow.h"
#include "ui/win32/main_window.h"

namespace {

void adoptSong(Result& result)
{
    WindowState& s = ui();
    s.song.audio.swap(result.audio);
    s.song.analysis = std::move(result.analysis);
    s.peaks = buildPeaks(s.song.audio);
    ++s.songGeneration;
    const double duration = songDuration(s.song);
    s.view.playhead = 0.0;
    s.viewStart = 0.0;
    s.visibleSpan = duration;
    s.jumpTo = s.jumpFrom = s.lastBeat = s.hoveredBeat = -1;

    HWND list = control(kIdList);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Manual"));
    for (size_t i = 0; i < s.song.analysis.loops.size(); ++i)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Loop"));
    if (!s.song.analysis.loops.empty()) {
        showCuts(s.song.analysis.loops.front());
        SendMessageW(list, LB_SETCURSEL, 1, 0);
    } else {
        showCuts(cutRecord(0.15 * duration, 0.65 * duration, 0.78 * duration));
        SendMessageW(list, LB_SETCURSEL, 0, 0);
    }

    if (s.restoreSessionCuts) {
        try {
            const Loop& cuts = s.sessionCuts;
            validateCuts(s.song.audio.size() / 2, cuts.start, cuts.end, cuts.outro, s.sessionCrossfade / 1000.0);
            showCuts(cuts);
            SendMessageW(list, LB_SETCURSEL, 0, 0);
            setFieldText(kIdCrossfade, toWide(formatFixed(s.sessionCrossfade, 0)));
            setFieldText(kIdRepetitions, toWide(formatFixed(s.sessionRepetitions, 0)));
        } catch (const std::exception& e) {
            result.error = utf8ToUtf16(e.what());
        }
        s.restoreSessionCuts = false;
    }
}

} // namespace

void adoptResult(void* payload)
{
    WindowState& s = ui();
    Jobs& jobs = s.running->jobs;
    const bool wasLoad = jobs.jobStatus == kLoadStatus;
    std::unique_ptr<Result> result = takeResult(jobs, payload);
    if (result->loaded) {
        adoptSong(*result);
    } else if (wasLoad) {
        s.song = Song{};
        s.peaks = PeakPyramid{};
        ++s.songGeneration;
        s.restoreSessionCuts = false;
    }
    setBusy(false);
    if (s.closePending) {
        DestroyWindow(s.main);
        return;
    }
    if (!result->error.empty()) {
        const std::wstring message = toWide(result->error);
        setStatus(message);
        if (!result->cancelled && !cancelFlag.load())
            s.seams.messageBox(s.main, message, MB_ICONINFORMATION);
    } else if (!result->exportFolder.empty()) {
        s.lastExportFolder = result->exportFolder;
        EnableWindow(control(kIdShowExport), TRUE);
        setStatus(L"Exportado: " + s.lastExportFolder.wstring());
    } else if (s.song.analysis.beats.empty()) {
        setStatus(L"Pulso poco definido: escucha el original y ajusta los marcadores manuales.");
    } else {
        setStatus(L"Listo. Explora las conexiones o escucha el loop antes de exportar.");
    }
    refreshViews();
}

void showProgress(void* payload)
{
    std::unique_ptr<ProgressRecord> record = takeProgress(payload);
    // Progress the job sent before it saw the cancel must not hide that the
    // window is waiting for it to close.
    if (!ui().closePending)
        setStatus(toWide(record->message));
    SendMessageW(ui().progress, PBM_SETPOS, static_cast<WPARAM>(std::clamp(record->percent, 0, 100)), 0);
}

void onPlaybackTimer()
{
    WindowState& s = ui();
    PlaybackState& playback = player().state;
    if (!playback.playing.load()) {
        KillTimer(s.main, kPlaybackTimer);
        if (playback.deviceError.load() != 0)
            setStatus(toWide(std::string(kDeviceFailureMessage)));
        refreshViews();
        return;
    }
    s.view.playhead = playback.position.load();
    BeatTrack track{s.lastBeat, s.jumpFrom, s.jumpTo};
    if (trackBeat(track, s.song.analysis.beats, s.view.playhead))
        s.jumpTick = GetTickCount64();
    s.lastBeat = track.lastBeat;
    s.jumpFrom = track.jumpFrom;
    s.jumpTo = track.jumpTo;
    s.viewStart = followPlayhead(s.viewStart, s.visibleSpan, s.view.playhead, songDuration(s.song));
    refreshViews();
}
