// The timeline: the stereo waveform of the visible window with beats, bar
// lines, the loop region, the cut markers and the playhead. The wheel zooms,
// a click seeks, and dragging a marker writes its field, so the fields and
// the timeline always agree.
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "base/audio_constants.h"
#include "playback/beat_walk.h"
#include "base/number_format.h"
#include "ui/pixel_lines.h"
#include "ui/timeline_geometry.h"
#include "ui/win32/commands.h"
#include "ui/win32/main_window.h"
#include "ui/win32/paint.h"
#include "ui/win32/paint_buffer.h"

namespace {

constexpr std::array<CutField, 3> kMarkerFields = {CutField::Start, CutField::End, CutField::Outro};

TimelineView viewOf(double logicalWidth)
{
    const WindowState& s = ui();
    return TimelineView{s.viewStart, s.visibleSpan, songDuration(s.doc), logicalWidth};
}

TimelineView viewOf(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return viewOf(client.right / dpiScale);
}


// Beat lines and waveform columns go straight into the bitmap's pixels: a
// whole-song view of a long song has thousands of them, and GDI+ costs far
// more per call than these thin lines cost in pixels.
void paintBeats(PixelImage image, const TimelineView& view, float H)
{
    const auto& beats = ui().doc.song.analysis.beats;
    const bool barNumbers = drawnSpan(view) < 180;
    for (size_t i = static_cast<size_t>(beatIndexAt(ui().doc.song.analysis, view.viewStart)); i < beats.size(); ++i) {
        const float x = timelineX(view, beats[i].time);
        if (x > static_cast<float>(view.width - 10))
            break;
        if (x < 10)
            continue;
        const bool downbeat = beats[i].phase == 0;
        blendVerticalLine(image, dpiScale, x, 26, H - 10, downbeat ? 1.0 : 0.65, downbeat ? 0xFF3E4652 : 0xFF222831);
        if (downbeat && barNumbers)
            queueText(std::to_wstring(beats[i].bar), x + 3, 3, 35, 20, 9, Muted);
    }
}

// One column per logical unit; the peaks come from the song's prepared
// pyramid, so a repaint costs the same for any song length and zoom.
void paintWaveform(PixelImage image, const TimelineView& view)
{
    const WindowState& s = ui();
    const double span = drawnSpan(view), plot = view.width - 20;
    const auto columns = static_cast<int>(plot);
    const auto frames = static_cast<int64_t>(s.doc.song.audio.size() / 2);
    for (int n = 0; n < columns; ++n) {
        const double t0 = n * span / plot + view.viewStart, t1 = (n + 1) * span / plot + view.viewStart;
        StereoPeak peak;
        if (t0 > 0 || t1 > 0) {
            const int64_t a = t0 <= 0 ? 0 : std::min(static_cast<int64_t>(t0 * kSongFrameRate), frames - 1);
            const int64_t b = std::min(static_cast<int64_t>(t1 * kSongFrameRate), frames);
            peak = columnPeak(s.doc.song.audio, s.peaks, a, b);
        }
        // Louder than full scale would reach into the other channel's lane.
        const double pL = std::min(peak.left, 1.0f), pR = std::min(peak.right, 1.0f);
        const double x = n + 10;
        blendVerticalLine(image, dpiScale, x, 67 - 30 * pL, 67 + 30 * pL, 1.0, 0x7E54CCC1);
        blendVerticalLine(image, dpiScale, x, 126 - 28 * pR, 126 + 28 * pR, 1.0, 0x7D6499E5);
    }
}

void paintMarkers(PixelImage image, const TimelineView& view, float H)
{
    const std::array<double, 3> times = markerTimes(ui().doc.entry);
    const struct {
        Argb colour;
        const wchar_t* label;
        float tag;
    } markers[3] = {{Green, L"A", 18}, {Orange, L"B", 18}, {Lilac, L"FINAL", 40}};
    for (size_t i = 0; i < 3; ++i) {
        const float x = timelineX(view, times[i]);
        if (!insidePlot(view, x))
            continue;
        blendVerticalLine(image, dpiScale, x, 0, H - 4, 1.4, markers[i].colour);
        blendRect(image, dpiScale, x, 0, markers[i].tag, 20, markers[i].colour);
        queueText(markers[i].label, x + 1, 0, markers[i].tag - 2, 20, 9, 0xFF0E1217, true, 1);
    }
}

// Everything but the texts is written straight into the bitmap's pixels:
// the lines are thin and many, and nothing here needs smoothing.
void paintTimeline(HWND window, HDC target)
{
    PaintBuffer buffer;
    openPaintBuffer(buffer, window, false, target, Surface::Pixels);
    const PixelImage image{buffer.bits, std::max(1, buffer.width), std::max(1, buffer.height)};
    const auto W = static_cast<float>(buffer.width / dpiScale), H = static_cast<float>(buffer.height / dpiScale);
    blendRect(image, dpiScale, 0, 0, W, H, 0xFF14181F);
    if (!audioLoaded()) {
        queueText(L"L\u00CDNEA DE TIEMPO  /  EST\u00C9REO", 12, 5, W - 24, 22, 10, Muted, true);
        closePaintBuffer(buffer);
        return;
    }
    const TimelineView view = viewOf(W);
    const std::array<double, 3> cuts = markerTimes(ui().doc.entry);
    const float xa = std::clamp(timelineX(view, cuts[0]), 10.0f, W - 10), xb = std::clamp(timelineX(view, cuts[1]), 10.0f, W - 10);
    if (xb > xa)
        blendRect(image, dpiScale, xa, 29, xb - xa, H - 40, 0xFF162928);
    paintBeats(image, view, H);
    paintWaveform(image, view);
    queueText(L"L", 12, 39, 20, 18, 9, Muted);
    queueText(L"R", 12, 99, 20, 18, 9, Muted);
    paintMarkers(image, view, H);
    const float playhead = timelineX(view, ui().doc.view.playhead);
    if (insidePlot(view, playhead))
        blendVerticalLine(image, dpiScale, playhead, 22, H - 3, 1.0, 0xFFF5F5F8);
    queueText(toWide(formatClock(view.viewStart)), 10, H - 19, 120, 18, 9, Muted);
    queueText(toWide(formatClock(std::min(view.viewStart + drawnSpan(view), view.duration))), W - 110, H - 19, 100, 18, 9,
              Muted, false, 1);
    closePaintBuffer(buffer);
}

// The dragged field takes the time under the mouse, or with the magnet on
// the nearest beat's.
void dragTo(HWND window, int x)
{
    placeCutAt(ui().dragField, timeAtX(viewOf(window), dpiScale, x));
}

void onButtonDown(HWND window, WPARAM keys, int x)
{
    WindowState& s = ui();
    const TimelineView view = viewOf(window);
    const double t = timeAtX(view, dpiScale, x);
    const int picked = pickMarker(markerTimes(s.doc.entry), t, grabTolerance(view));
    std::optional<CutField> field;
    if (picked >= 0)
        field = kMarkerFields[static_cast<size_t>(picked)];
    if (keys & MK_SHIFT)
        field = CutField::Start;
    if (keys & MK_CONTROL)
        field = CutField::End;
    if (GetKeyState(VK_MENU) < 0)
        field = CutField::Outro;
    if (!field) {
        seekTo(t);
        return;
    }
    s.dragField = *field;
    s.dragging = true;
    SetCapture(window);
    dragTo(window, x);
}

} // namespace

namespace {

LRESULT handleTimelineMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowState& s = ui();
    switch (message) {
    case WM_PAINT:
        paintTimeline(window, nullptr);
        return 0;
    case WM_PRINTCLIENT:
        paintTimeline(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEWHEEL:
        zoomTimeline(GET_WHEEL_DELTA_WPARAM(wParam) <= 0 ? 1.5 : 2.0 / 3.0);
        return 0;
    case WM_LBUTTONDOWN:
        if (s.doc.view.busy || !audioLoaded())
            break;
        onButtonDown(window, wParam, GET_X_LPARAM(lParam));
        return 0;
    case WM_MOUSEMOVE:
        if (!s.dragging)
            break;
        dragTo(window, GET_X_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (!s.dragging)
            break;
        s.dragging = false;
        ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the drag is over.
        s.dragging = false;
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK timelineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return guarded([&] { return handleTimelineMessage(window, message, wParam, lParam); });
}
