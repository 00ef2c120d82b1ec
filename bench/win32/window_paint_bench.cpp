// One full repaint of the main window (header, panels, buttons, list, both
// views) for a 20-minute song with 3000 beats and 15 000 connections, against
// the 33 ms of the playback timer; and what adopting such a song costs once
// (its waveform peaks). Run under Wine on a virtual screen:
//   xvfb-run -a bash scripts/wine-run.sh build/windows/tests-bin/bench_window_paint.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/running.h"
#include "app/settings.h"
#include "bench/synthetic_song.h"
#include "ui/win32/commands.h"
#include "ui/win32/controls.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/main_window.h"
#include "ui/win32/widgets.h"

using Clock = std::chrono::steady_clock;

namespace {

Analysis denseAnalysis(double seconds, int beats, int perBeat)
{
    Analysis a;
    a.bpm = 60.0 * beats / seconds;
    a.bpmLow = a.bpm - 1;
    a.bpmHigh = a.bpm + 1;
    a.meter = 4;
    a.confidence = 0.9f;
    for (int i = 0; i < beats; ++i) {
        Beat b;
        b.time = seconds * i / beats;
        b.duration = seconds / beats;
        b.bpm = a.bpm;
        b.phase = i % 4;
        b.bar = i / 4 + 1;
        b.chroma[(i * 7) % 12] = 1.0;
        a.beats.push_back(b);
    }
    for (int from = 0; from < beats; ++from)
        for (int k = 0; k < perBeat; ++k)
            a.connections.push_back({from, (from * 31 + k * 97 + 11) % beats, 0.9f, 0.9f, 0.9f});
    for (int k = 0; k < 16; ++k) {
        Loop loop;
        loop.start = 10.0 + k;
        loop.end = 40.0 + k;
        loop.outro = 1000.0;
        loop.score = 0.9;
        loop.bars = 8;
        loop.harmony = 0.8;
        loop.timbre = 0.7;
        loop.rhythm = 0.6;
        a.loops.push_back(loop);
    }
    return a;
}

double millis(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void pump(WindowState& s)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        dispatchWindowMessage(s, message);
}

// Paints everything now, as a 33 ms tick during playback asks for.
double repaint(HWND window)
{
    const auto start = Clock::now();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return millis(Clock::now() - start);
}

// What one 33 ms tick of the playback timer repaints: the main window and
// both views (the state buttons only when what they show changed).
double tick(WindowState& s, HWND window)
{
    const auto start = Clock::now();
    refreshViews(s);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return millis(Clock::now() - start);
}

// One window alone, without its children.
double repaintAlone(HWND window)
{
    std::vector<double> times;
    for (int i = 0; i < 9; ++i) {
        const auto start = Clock::now();
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
        times.push_back(millis(Clock::now() - start));
    }
    return median(times);
}

} // namespace

int main()
{
    Running running;
    loadSettings(running.folders);
    std::unique_ptr<WindowState> shown = startWindow(running, systemSeams(), SW_SHOW);
    WindowState& s = *shown;
    HWND window = s.widgets.main;
    pump(s);

    const double seconds = 20 * 60;
    s.doc.song.audio = syntheticSong(static_cast<int64_t>(seconds * 48000));
    s.doc.song.analysis = denseAnalysis(seconds, 3000, 5);
    auto begin = Clock::now();
    s.timeline.peaks = buildPeaks(s.doc.song.audio);
    ++s.doc.songGeneration;
    const double peaks = millis(Clock::now() - begin);
    s.timeline.visibleSpan = seconds;
    HWND list = control(s.widgets, kIdList);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Manual"));
    for (size_t k = 0; k < s.doc.song.analysis.loops.size(); ++k)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Loop"));
    chooseCandidate(s.doc, 1);
    showEntry(s);
    setBusy(s, false);
    pump(s);

    s.doc.view.playhead = 300;
    const double first = repaint(window);
    std::vector<double> whole, zoomed, middle;
    for (int i = 0; i < 60; ++i) {
        s.doc.view.playhead = 300 + i * 0.033;
        s.map.hoveredBeat = -1;
        whole.push_back(repaint(window));
    }
    s.timeline.visibleSpan = 20;
    s.timeline.viewStart = 295;
    for (int i = 0; i < 60; ++i) {
        s.doc.view.playhead = 300 + i * 0.033;
        zoomed.push_back(repaint(window));
    }
    s.timeline.visibleSpan = 8;
    s.timeline.viewStart = 296;
    for (int i = 0; i < 60; ++i) {
        s.doc.view.playhead = 300 + i * 0.033;
        middle.push_back(repaint(window));
    }
    RECT client{};
    GetClientRect(window, &client);
    std::printf("20-minute song, 3000 beats, 15000 connections, client %ld x %ld pixels\n", client.right, client.bottom);
    std::printf("  peaks prepared once on adoption: %.1f ms\n", peaks);
    std::printf("  first repaint of the song (draws the map's still layer): %.1f ms\n", first);
    std::printf("  full repaint, whole song shown:  median %.2f ms, slowest %.2f ms\n", median(whole),
                *std::max_element(whole.begin(), whole.end()));
    std::printf("  full repaint, 20 s shown:        median %.2f ms, slowest %.2f ms\n", median(zoomed),
                *std::max_element(zoomed.begin(), zoomed.end()));
    std::printf("  full repaint, 8 s shown:         median %.2f ms, slowest %.2f ms\n", median(middle),
                *std::max_element(middle.begin(), middle.end()));
    std::vector<double> ticks;
    for (int i = 0; i < 60; ++i) {
        s.doc.view.playhead = 300 + i * 0.033;
        ticks.push_back(tick(s, window));
    }
    std::printf("  one playback tick (main window, both views), 8 s shown: median %.2f ms, slowest %.2f ms\n",
                median(ticks), *std::max_element(ticks.begin(), ticks.end()));
    std::printf("  of which, each alone at 8 s shown: main window %.2f ms, map %.2f ms, timeline %.2f ms\n",
                repaintAlone(window), repaintAlone(s.widgets.map), repaintAlone(s.widgets.timeline));
    std::printf("  against the 33 ms timer period\n");
    DestroyWindow(window);
    pump(s);
    endWindow(std::move(shown), running);
    return 0;
}
