// What the window does with a job's progress and result, and the playback
// timer that follows the audio thread.
#include "ui/win32/job_results.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "app/document_playback.h"
#include "app/window_texts.h"
#include "base/utf.h"
#include "playback/beat_walk.h"
#include "playback/playback_control.h"
#include "ui/playhead_follow.h"
#include "ui/win32/controls.h"
#include "ui/win32/widgets.h"

namespace {

// The views start over for a new song: whole song in view, no hover, no jump.
void resetViews(WindowState& s)
{
    s.timeline.peaks = buildPeaks(s.doc.song.audio);
    s.timeline.viewStart = 0.0;
    s.timeline.visibleSpan = songDuration(s.doc);
    MapState& map = s.map;
    map.jumpTo = map.jumpFrom = map.lastBeat = map.hoveredBeat = -1;
    HWND list = control(s.widgets, kIdList);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    if (!songLoaded(s.doc))
        return;
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Manual"));
    for (size_t i = 0; i < s.doc.song.analysis.loops.size(); ++i)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Loop"));
}

void finishJob(WindowState& s, std::unique_ptr<Result> result)
{
    const uint64_t generation = s.doc.songGeneration;
    const Notice notice = adoptResult(s.doc, *result);
    if (s.doc.songGeneration != generation) {
        resetViews(s);
        showEntry(s);
    }
    setBusy(s, false);
    if (s.doc.closePending) {
        DestroyWindow(s.widgets.main);
        return;
    }
    const std::wstring text = toWide(notice.status);
    setStatus(s.widgets, text);
    if (notice.messageBox)
        s.seams.messageBox(s.widgets.main, text, MB_ICONINFORMATION);
    refreshViews(s);
}

} // namespace

void adoptResult(WindowState& s, void* payload)
{
    finishJob(s, takeResult(s.running->jobs, payload));
}

void checkLostResult(WindowState& s)
{
    if (std::unique_ptr<Result> lost = takeLostResult(s.running->jobs))
        finishJob(s, std::move(lost));
}

void showProgress(WindowState& s, void* payload)
{
    std::unique_ptr<ProgressRecord> record = takeProgress(payload);
    // Progress the job sent before it saw the cancel must not hide that the
    // window is waiting for it to close.
    if (!s.doc.closePending)
        setStatus(s.widgets, toWide(record->message));
    SendMessageW(s.widgets.progress, PBM_SETPOS, static_cast<WPARAM>(std::clamp(record->percent, 0, 100)), 0);
}

void onPlaybackTimer(WindowState& s)
{
    Player& player = s.running->player;
    if (!followPlayback(s.doc, player)) {
        KillTimer(s.widgets.main, kPlaybackTimer);
        if (player.state.deviceError.load() != 0)
            setStatus(s.widgets, toWide(std::string_view(kDeviceFailureMessage)));
        refreshViews(s);
        return;
    }
    MapState& map = s.map;
    BeatTrack track{map.lastBeat, map.jumpFrom, map.jumpTo};
    if (trackBeat(track, s.doc.song.analysis.beats, s.doc.view.playhead))
        map.jumpTick = s.seams.milliseconds();
    map.lastBeat = track.lastBeat;
    map.jumpFrom = track.jumpFrom;
    map.jumpTo = track.jumpTo;
    TimelineState& timeline = s.timeline;
    timeline.viewStart =
        followPlayhead(timeline.viewStart, timeline.visibleSpan, s.doc.view.playhead, songDuration(s.doc));
    refreshViews(s);
}
