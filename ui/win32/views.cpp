// The timeline and the connection map, in a plain form: the waveform with
// the cuts and the playhead, and the ring of beats with the playhead's beat.
#include <algorithm>
#include <cmath>
#include <vector>

#include "base/number_field.h"
#include "playback/beat_walk.h"
#include "ui/beat_snap.h"
#include "ui/number_format.h"
#include "ui/win32/commands.h"
#include "ui/win32/main_window.h"
#include "ui/win32/paint.h"
#include "ui/win32/paint_buffer.h"

namespace {

double fieldSeconds(int id)
{
    try {
        return readNumberField(fieldText(id));
    } catch (...) {
        return -1.0;
    }
}

void paintTimeline(HWND window)
{
    PaintBuffer buffer;
    openPaintBuffer(buffer, window, false);
    Graphics* g = buffer.graphics;
    const WindowState& s = ui();
    const float W = static_cast<float>(buffer.width / dpiScale), H = static_cast<float>(buffer.height / dpiScale);
    fillRect(g, 0xFF12151B, 0, 0, W, H);
    drawRect(g, Line, 1.0f, 0, 0, W - 1, H - 1);
    const double duration = songDuration(s.song);
    if (duration > 0 && W > 2) {
        const double start = s.viewStart, span = s.visibleSpan > 0 ? s.visibleSpan : duration;
        auto xOf = [&](double t) { return static_cast<float>((t - start) / span * W); };
        const float mid = H / 2;
        const size_t frames = s.song.audio.size() / 2;
        const int columns = static_cast<int>(W);
        for (int c = 0; c < columns; ++c) {
            const auto first = static_cast<size_t>(std::clamp((start + span * c / columns) * 48000.0, 0.0, 1.0 * frames));
            const auto last = static_cast<size_t>(std::clamp((start + span * (c + 1) / columns) * 48000.0, 0.0, 1.0 * frames));
            float peak = 0;
            for (size_t f = first; f < last; f += 4)
                peak = std::max({peak, std::abs(s.song.audio[2 * f]), std::abs(s.song.audio[2 * f + 1])});
            const float h = std::min(1.0f, peak) * (H / 2 - 14);
            fillRect(g, 0xFF2E4A55, static_cast<float>(c), mid - h, 1, 2 * h);
        }
        for (const Beat& beat : s.song.analysis.beats) {
            const float x = xOf(beat.time);
            if (x >= 0 && x <= W)
                fillRect(g, beat.phase == 0 ? 0x66F8B14D : 0x22E8EBF3, x, 0, beat.phase == 0 ? 1.5f : 1.0f, H);
        }
        const double a = fieldSeconds(kIdFieldA), b = fieldSeconds(kIdFieldB), o = fieldSeconds(kIdFieldO);
        if (a >= 0 && b > a)
            fillRect(g, 0x2251DCB3, xOf(a), 0, xOf(b) - xOf(a), H);
        const struct { double t; Argb colour; const wchar_t* name; } markers[3] = {
            {a, Green, L"A"}, {b, Orange, L"B"}, {o, Lilac, L"FINAL"}};
        for (const auto& m : markers) {
            if (m.t < 0)
                continue;
            fillRect(g, m.colour, xOf(m.t) - 1, 0, 2, H);
            queueText(m.name, xOf(m.t) + 4, 4, 60, 16, 9, m.colour, true);
        }
        fillRect(g, 0xFFFFFFFF, xOf(s.view.playhead), 0, 1.5f, H);
        queueText(toWide(formatClock(start)), 6, H - 20, 90, 16, 9, Muted);
        queueText(toWide(formatClock(start + span)), W - 96, H - 20, 90, 16, 9, Muted, false, 2);
    } else {
        queueText(L"Sin audio", 0, 0, W, H, 11, Muted, false, 1);
    }
    closePaintBuffer(buffer);
}

void paintMap(HWND window)
{
    PaintBuffer buffer;
    openPaintBuffer(buffer, window, true);
    Graphics* g = buffer.graphics;
    const WindowState& s = ui();
    const float W = static_cast<float>(buffer.width / dpiScale), H = static_cast<float>(buffer.height / dpiScale);
    fillRect(g, 0xFF101318, 0, 0, W, H);
    drawRect(g, Line, 1.0f, 0, 0, W - 1, H - 1);
    queueText(L"MAPA DE CONEXIONES", 14, 10, 300, 18, 9, Muted, true);
    const auto& beats = s.song.analysis.beats;
    if (beats.empty()) {
        queueText(L"Arrastra una canci\u00F3n aqu\u00ED o pulsa \u00AB+ Audio\u00BB", 0, 0, W, H, 13, Muted, false, 1);
        closePaintBuffer(buffer);
        return;
    }
    const float cx = W / 2, cy = H / 2 + 6, r = std::max(10.0f, std::min(W, H) / 2 - 36);
    auto at = [&](size_t i, float radius) {
        const double angle = 2 * 3.14159265358979 * i / beats.size() - 3.14159265358979 / 2;
        return Gdiplus::PointF{cx + radius * static_cast<float>(std::cos(angle)),
                               cy + radius * static_cast<float>(std::sin(angle))};
    };
    using namespace Gdiplus::DllExports;
    for (const Connection& c : s.song.analysis.connections) {
        if (c.from < 0 || c.to < 0 || static_cast<size_t>(c.from) >= beats.size() || static_cast<size_t>(c.to) >= beats.size())
            continue;
        const auto p = at(static_cast<size_t>(c.from), r), q = at(static_cast<size_t>(c.to), r);
        Gdiplus::GpPen* pen = nullptr;
        if (GdipCreatePen1(0x3051DCB3, 1.0f, Gdiplus::UnitWorld, &pen) == Gdiplus::Ok) {
            GdipDrawBezier(g, pen, p.X, p.Y, cx + (p.X - cx) * 0.2f, cy + (p.Y - cy) * 0.2f,
                           cx + (q.X - cx) * 0.2f, cy + (q.Y - cy) * 0.2f, q.X, q.Y);
            GdipDeletePen(pen);
        }
    }
    const int32_t current = beatIndexAt(s.song.analysis, s.view.playhead);
    for (size_t i = 0; i < beats.size(); ++i) {
        const auto p = at(i, r);
        const float d = beats[i].phase == 0 ? 4.0f : 2.6f;
        fillEllipse(g, beats[i].phase == 0 ? 0xFF9AA6B8 : 0xFF4A5263, p.X - d / 2, p.Y - d / 2, d, d);
    }
    const auto p = at(static_cast<size_t>(std::max(0, current)), r);
    fillEllipse(g, Orange, p.X - 6, p.Y - 6, 12, 12);
    if (s.jumpFrom >= 0 && s.jumpTo >= 0 && GetTickCount64() - s.jumpTick < 1500) {
        const auto from = at(static_cast<size_t>(s.jumpFrom), r), to = at(static_cast<size_t>(s.jumpTo), r);
        drawLine(g, Orange, 2.0f, from.X, from.Y, to.X, to.Y);
    }
    queueText(toWide(std::to_string(current + 1)) + L" / " + std::to_wstring(beats.size()), cx - 80, cy - 12, 160, 24,
              13, TextColour, true, 1);
    closePaintBuffer(buffer);
}

LRESULT viewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, void (*paint)(HWND))
{
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN: {
        WindowState& s = ui();
        const double duration = songDuration(s.song);
        if (s.view.busy || duration <= 0 || window != s.timeline)
            return 0;
        RECT client{};
        GetClientRect(window, &client);
        const double span = s.visibleSpan > 0 ? s.visibleSpan : duration;
        const double t = s.viewStart + span * static_cast<short>(LOWORD(lParam)) / std::max<LONG>(1, client.right);
        stopPlaybackAndRefresh();
        s.view.playhead = std::clamp(t, 0.0, duration);
        refreshViews();
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK timelineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return viewProc(window, message, wParam, lParam, paintTimeline);
}

LRESULT CALLBACK mapProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return viewProc(window, message, wParam, lParam, paintMap);
}
