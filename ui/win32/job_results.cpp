// What the window does with a job's progress and result, and the playback
// timer that follows the audio thread.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "app/document_playback.h"
#include "app/window_texts.h"
#include "base/utf.h"
#include "playback/beat_walk.h"
#include "playback/playback_control.h"
#include "ui/playhead_follow.h"
#include "ui/win32/main_window.h"

namespace {

// The views start over for a new song: whole song in view, no hover, no jump.
void resetViews(WindowState& s)
{
    s.peaks = buildPeaks(s.doc.song.audio);
    s.viewStart = 0.0;
    s.visibleSpan = songDuration(s.doc);
    s.jumpTo = s.jumpFrom = s.lastBeat = s.hoveredBeat = -1;
    HWND list = control(kIdList);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    if (!songLoaded(s.doc))
        return;
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Manual"));
    for (size_t i = 0; i < s.doc.song.analysis.loops.size(); ++i)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Loop"));
}

void finishJob(std::unique_ptr<Result> result)
{
    WindowState& s = ui();
    const uint64_t generation = s.doc.songGeneration;
    const Notice notice = adoptResult(s.doc, *result);
    if (s.doc.songGeneration != generation) {
        resetViews(s);
        showEntry();
    }
    setBusy(false);
    if (s.doc.closePending) {
        DestroyWindow(s.main);
        return;
    }
    const std::wstring text = toWide(notice.status);
    setStatus(text);
    if (notice.messageBox)
        s.seams.messageBox(s.main, text, MB_ICONINFORMATION);
    refreshViews();
}

} // namespace

void adoptResult(void* payload)
{
    finishJob(takeResult(ui().running->jobs, payload));
}

void checkLostResult()
{
    if (std::unique_ptr<Result> lost = takeLostResult(ui().running->jobs))
        finishJob(std::move(lost));
}

void showProgress(void* payload)
{
    std::unique_ptr<ProgressRecord> record = takeProgress(payload);
    // Progress the job sent before it saw the cancel must not hide that the
    // window is waiting for it to close.
    if (!ui().doc.closePending)
        setStatus(toWide(record->message));
    SendMessageW(ui().progress, PBM_SETPOS, static_cast<WPARAM>(std::clamp(record->percent, 0, 100)), 0);
}

void onPlaybackTimer()
{
    WindowState& s = ui();
    const PlaybackState& playback = player().state;
    if (!followPlayback(s.doc, player())) {
        KillTimer(s.main, kPlaybackTimer);
        if (playback.deviceError.load() != 0)
            setStatus(toWide(std::string(kDeviceFailureMessage)));
        refreshViews();
        return;
    }
    BeatTrack track{s.lastBeat, s.jumpFrom, s.jumpTo};
    if (trackBeat(track, s.doc.song.analysis.beats, s.doc.view.playhead))
        s.jumpTick = s.seams.milliseconds();
    s.lastBeat = track.lastBeat;
    s.jumpFrom = track.jumpFrom;
    s.jumpTo = track.jumpTo;
    s.viewStart = followPlayhead(s.viewStart, s.visibleSpan, s.doc.view.playhead, songDuration(s.doc));
    refreshViews();
}
