#include "ui/win32/timeline_view.h"

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "app/window_texts.h"
#include "base/audio_constants.h"
#include "base/number_format.h"
#include "playback/beat_walk.h"
#include "ui/pixel_lines.h"
#include "ui/timeline_geometry.h"
#include "ui/win32/commands.h"
#include "ui/win32/paint_buffer.h"
#include "ui/win32/widgets.h"
#include "ui/win32/window_edge.h"

namespace {

constexpr std::array<CutField, 3> kMarkerFields = {CutField::Start, CutField::End, CutField::Outro};

TimelineView viewOf(const TimelineState& t, const Document& doc, double logicalWidth)
{
    return TimelineView{t.viewStart, t.visibleSpan, songDuration(doc), logicalWidth};
}

TimelineView viewOf(const TimelineState& t, const Document& doc, HWND window, double scale)
{
    RECT client{};
    GetClientRect(window, &client);
    return viewOf(t, doc, client.right / scale);
}

// Beat lines and waveform columns go straight into the bitmap's pixels: a
// whole-song view of a long song has thousands of them, and GDI+ costs far
// more per call than these thin lines cost in pixels.
void paintBeats(TextBatch& texts, PixelImage image, double scale, const Analysis& analysis, const TimelineView& view,
                float H)
{
    const auto& beats = analysis.beats;
    const bool barNumbers = drawnSpan(view) < 180;
    for (size_t i = static_cast<size_t>(beatIndexAt(analysis, view.viewStart)); i < beats.size(); ++i) {
        const float x = timelineX(view, beats[i].time);
        if (x > static_cast<float>(view.width - 10))
            break;
        if (x < 10)
            continue;
        const bool downbeat = beats[i].phase == 0;
        blendVerticalLine(image, scale, x, 26, H - 10, downbeat ? 1.0 : 0.65, downbeat ? kBarLine : kBeatLine);
        if (downbeat && barNumbers)
            queueText(texts, std::to_wstring(beats[i].bar), x + 3, 3, 35, 20, 9, Muted);
    }
}

// One column per logical unit; the peaks come from the song's prepared
// pyramid, so a repaint costs the same for any song length and zoom.
void paintWaveform(PixelImage image, double scale, const std::vector<float>& audio, const PeakPyramid& peaks,
                   const TimelineView& view)
{
    const double span = drawnSpan(view), plot = view.width - 20;
    const auto columns = static_cast<int>(plot);
    const auto frames = static_cast<int64_t>(audio.size() / 2);
    for (int n = 0; n < columns; ++n) {
        const double t0 = n * span / plot + view.viewStart, t1 = (n + 1) * span / plot + view.viewStart;
        StereoPeak peak;
        if (t0 > 0 || t1 > 0) {
            const int64_t a = t0 <= 0 ? 0 : std::min(static_cast<int64_t>(t0 * kSongFrameRate), frames - 1);
            const int64_t b = std::min(static_cast<int64_t>(t1 * kSongFrameRate), frames);
            peak = columnPeak(audio, peaks, a, b);
        }
        // Louder than full scale would reach into the other channel's lane.
        const double pL = std::min(peak.left, 1.0f), pR = std::min(peak.right, 1.0f);
        const double x = n + 10;
        blendVerticalLine(image, scale, x, 67 - 30 * pL, 67 + 30 * pL, 1.0, kLeftWave);
        blendVerticalLine(image, scale, x, 126 - 28 * pR, 126 + 28 * pR, 1.0, kRightWave);
    }
}

void paintMarkers(TextBatch& texts, PixelImage image, double scale, const CutEntry& entry, const TimelineView& view,
                  float H)
{
    const std::array<double, 3> times = markerTimes(entry);
    const std::wstring outro = toWide(kOutroMarker);
    const struct {
        Argb colour;
        const wchar_t* label;
        float tag;
    } markers[3] = {{Green, L"A", 18}, {Orange, L"B", 18}, {Lilac, outro.c_str(), 40}};
    for (size_t i = 0; i < 3; ++i) {
        const float x = timelineX(view, times[i]);
        if (!insidePlot(view, x))
            continue;
        blendVerticalLine(image, scale, x, 0, H - 4, 1.4, markers[i].colour);
        blendRect(image, scale, x, 0, markers[i].tag, 20, markers[i].colour);
        queueText(texts, markers[i].label, x + 1, 0, markers[i].tag - 2, 20, 9, kMarkerText, true, 1);
    }
}

// Everything but the texts is written straight into the bitmap's pixels:
// the lines are thin and many, and nothing here needs smoothing.
void paintTimeline(HWND window, HDC target, const TimelineState& timeline, const Document& doc, PaintStyle style)
{
    PaintBuffer buffer;
    openPaintBuffer(buffer, window, style, false, target, Surface::Pixels);
    TextBatch& texts = buffer.texts;
    const double scale = style.scale;
    const PixelImage image{buffer.bits, std::max(1, buffer.width), std::max(1, buffer.height)};
    const auto W = static_cast<float>(buffer.width / scale), H = static_cast<float>(buffer.height / scale);
    blendRect(image, scale, 0, 0, W, H, kTimelineBackground);
    if (!songLoaded(doc)) {
        queueText(texts, toWide(kEmptyTimelineCaption), 12, 5, W - 24, 22, 10, Muted, true);
        closePaintBuffer(buffer);
        return;
    }
    const TimelineView view = viewOf(timeline, doc, W);
    const std::array<double, 3> cuts = markerTimes(doc.entry);
    const float xa = std::clamp(timelineX(view, cuts[0]), 10.0f, W - 10), xb = std::clamp(timelineX(view, cuts[1]), 10.0f, W - 10);
    if (xb > xa)
        blendRect(image, scale, xa, 29, xb - xa, H - 40, kLoopRegion);
    paintBeats(texts, image, scale, doc.song.analysis, view, H);
    paintWaveform(image, scale, doc.song.audio, timeline.peaks, view);
    queueText(texts, L"L", 12, 39, 20, 18, 9, Muted);
    queueText(texts, L"R", 12, 99, 20, 18, 9, Muted);
    paintMarkers(texts, image, scale, doc.entry, view, H);
    const float playhead = timelineX(view, doc.view.playhead);
    if (insidePlot(view, playhead))
        blendVerticalLine(image, scale, playhead, 22, H - 3, 1.0, kPlayheadLine);
    queueText(texts, toWide(formatClock(view.viewStart)), 10, H - 19, 120, 18, 9, Muted);
    queueText(texts, toWide(formatClock(std::min(view.viewStart + drawnSpan(view), view.duration))), W - 110, H - 19,
              100, 18, 9, Muted, false, 1);
    closePaintBuffer(buffer);
}

// The dragged field takes the time under the mouse, or with the magnet on
// the nearest beat's.
void dragTo(WindowState& s, HWND window, int x)
{
    placeCutAt(s, s.timeline.dragField, timeAtX(viewOf(s.timeline, s.doc, window, s.scale), s.scale, x));
}

void onButtonDown(WindowState& s, HWND window, WPARAM keys, int x)
{
    const TimelineView view = viewOf(s.timeline, s.doc, window, s.scale);
    const double t = timeAtX(view, s.scale, x);
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
        seekTo(s, t);
        return;
    }
    s.timeline.dragField = *field;
    s.timeline.dragging = true;
    SetCapture(window);
    dragTo(s, window, x);
}

LRESULT handleTimelineMessage(WindowState& s, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TimelineState& timeline = s.timeline;
    switch (message) {
    case WM_PAINT:
        paintTimeline(window, nullptr, timeline, s.doc, paintStyle(s));
        return 0;
    case WM_PRINTCLIENT:
        paintTimeline(window, reinterpret_cast<HDC>(wParam), timeline, s.doc, paintStyle(s));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEWHEEL:
        zoomTimeline(s, GET_WHEEL_DELTA_WPARAM(wParam) <= 0 ? 1.5 : 2.0 / 3.0);
        return 0;
    case WM_LBUTTONDOWN:
        if (s.doc.view.busy || !songLoaded(s.doc))
            break;
        onButtonDown(s, window, wParam, GET_X_LPARAM(lParam));
        return 0;
    case WM_MOUSEMOVE:
        if (!timeline.dragging)
            break;
        dragTo(s, window, GET_X_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (!timeline.dragging)
            break;
        timeline.dragging = false;
        ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the drag is over.
        timeline.dragging = false;
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK timelineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return atWindowEdge(window, message, wParam, lParam,
                        [&](WindowState& s) { return handleTimelineMessage(s, window, message, wParam, lParam); });
}
