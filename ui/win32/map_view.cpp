#include "ui/win32/map_view.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "app/window_texts.h"
#include "base/number_format.h"
#include "playback/beat_walk.h"
#include "ui/ring_geometry.h"
#include "ui/win32/commands.h"
#include "ui/win32/paint_buffer.h"
#include "ui/win32/widgets.h"
#include "ui/win32/window_edge.h"

namespace {

using Gdiplus::PointF;

struct RingView {
    Ring ring;
    size_t count = 0;
    PointF at(size_t i, double towards = 1.0) const
    {
        const double angle = beatAngle(i, count);
        return PointF{static_cast<float>(ring.cx + towards * ring.r * std::cos(angle)),
                      static_cast<float>(ring.cy + towards * ring.r * std::sin(angle))};
    }
};

bool validBeat(int64_t i, size_t count)
{
    return i >= 0 && static_cast<size_t>(i) < count;
}

// A curve from beat a to beat b whose control points sit at `pull` of the
// end points' distance from the centre.
void drawChord(Graphics* g, const RingView& v, int32_t a, int32_t b, double pull, Argb colour, float width)
{
    if (!validBeat(a, v.count) || !validBeat(b, v.count))
        return;
    const PointF curve[4] = {v.at(static_cast<size_t>(a)), v.at(static_cast<size_t>(a), pull),
                             v.at(static_cast<size_t>(b), pull), v.at(static_cast<size_t>(b))};
    drawBezier(g, colour, width, curve);
}

void fillDisc(Graphics* g, Argb colour, PointF centre, float diameter)
{
    fillEllipse(g, colour, centre.X - diameter / 2, centre.Y - diameter / 2, diameter, diameter);
}

void paintEmptyRing(TextBatch& texts, Graphics* g, const Ring& ring)
{
    const auto cx = static_cast<float>(ring.cx), cy = static_cast<float>(ring.cy), r = static_cast<float>(ring.r);
    drawEllipse(g, kEmptyRing, 2.0f, cx - r, cy - r, 2 * r, 2 * r);
    queueText(texts, toWide(kEmptyMapTitle), cx - r, cy - 32, 2 * r, 34, 23, TextColour, true, 1);
    queueText(texts, toWide(kEmptyMapHint), cx - r, cy + 5, 2 * r, 27, 12, Muted, false, 1);
    queueText(texts, toWide(kEmptyMapPromise), cx - r, cy + 34, 2 * r, 23, 11, Muted, false, 1);
}

void paintGuideRings(Graphics* g, const Ring& ring)
{
    const auto cx = static_cast<float>(ring.cx), cy = static_cast<float>(ring.cy), r = static_cast<float>(ring.r);
    for (float radius : {r + 15, r - 15})
        drawEllipse(g, kGuideRing, 1.0f, cx - radius, cy - radius, 2 * radius, 2 * radius);
}

// Background, guide rings, the faint web of connections and the beat dots:
// everything that changes only with the song and the view's size.
void paintStill(Graphics* g, const Analysis& a, const RingView& v, float W, float H)
{
    fillRect(g, kBackground, 0, 0, W, H);
    paintGuideRings(g, v.ring);
    const auto& connections = a.connections;
    // Only about 230 faint curves, whatever the song: they show the texture, not each jump.
    const size_t step = connections.size() <= 459 ? 1 : connections.size() / 230;
    for (size_t i = 0; i < connections.size(); i += step)
        drawChord(g, v, connections[i].from, connections[i].to, 0.6, beatColour(a, connections[i].from, 26), 0.65f);
    const size_t dots = v.count <= 1699 ? 1 : v.count / 850;
    for (size_t i = 0; i < v.count; i += dots)
        fillDisc(g, beatColour(a, static_cast<int64_t>(i), 255), v.at(i), a.beats[i].phase == 0 ? 3.5f : 2.2f);
}

// Drawn once per song and size and copied into every paint, so a repaint
// during playback draws only what moves. Under emulated GDI+ the still part
// alone costs several timer periods.
void copyStill(const PaintBuffer& buffer, MapLayer& layer, const Document& doc, double scale, const RingView& v)
{
    const int w = std::max(1, buffer.width), h = std::max(1, buffer.height);
    HDC dc = CreateCompatibleDC(buffer.memory);
    if (!layer.bitmap || layer.width != w || layer.height != h || layer.song != doc.songGeneration) {
        if (layer.bitmap)
            DeleteObject(layer.bitmap);
        layer = MapLayer{CreateCompatibleBitmap(buffer.memory, w, h), w, h, doc.songGeneration};
        HGDIOBJ old = SelectObject(dc, layer.bitmap);
        Graphics* g = openGraphics(dc, true, scale);
        paintStill(g, doc.song.analysis, v, static_cast<float>(w / scale), static_cast<float>(h / scale));
        closeGraphics(g);
        SelectObject(dc, old);
    }
    HGDIOBJ old = SelectObject(dc, layer.bitmap);
    BitBlt(buffer.memory, 0, 0, w, h, dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
}

void paintFocus(Graphics* g, const Analysis& a, const RingView& v, int32_t focus)
{
    for (const Connection& c : a.connections)
        if (c.from == focus || c.to == focus)
            drawChord(g, v, c.from, c.to, 0.3, beatColour(a, c.to, 175), 1.35f);
}

void paintCentre(TextBatch& texts, Graphics* g, const Analysis& a, const RingView& v, int32_t current)
{
    const auto cx = static_cast<float>(v.ring.cx), cy = static_cast<float>(v.ring.cy), r = static_cast<float>(v.ring.r);
    fillDisc(g, kCentreDisc, PointF{cx, cy}, 0.78f * r);
    const Beat& beat = a.beats[static_cast<size_t>(current)];
    const std::u16string tempo = formatFixed(beat.bpm, 1);
    drawSegmentText(g, tempo, cx - segmentHalfWidth(tempo), cy - 45, 21, 38, TextColour);
    queueText(texts, toWide(kLocalTempoCaption), cx - 80, cy - 2, 160, 20, 10, Muted, true, 1);
    queueText(texts, toWide(kBeatPrefix) + std::to_wstring(current + 1) + toWide(kBeatOf) + std::to_wstring(v.count),
              cx - 0.48f * r, cy + 22, 0.96f * r, 24, 11, Orange, false, 1);
    for (int j = 0; j < a.meter; ++j)
        fillEllipse(g, j == beat.phase ? Green : kOtherPhase, cx - 7.0f * a.meter + 14.0f * j, cy + 54, 6, 6);
}

// now: milliseconds of the window's clock, which times the jump flash.
void paintMap(HWND window, HDC target, MapState& map, const Document& doc, PaintStyle style, uint64_t now)
{
    PaintBuffer buffer;
    openPaintBuffer(buffer, window, style, true, target);
    Graphics* g = buffer.graphics;
    TextBatch& texts = buffer.texts;
    const Analysis& a = doc.song.analysis;
    const auto W = static_cast<float>(buffer.width / style.scale), H = static_cast<float>(buffer.height / style.scale);
    const RingView v{ringOf(W, H), a.beats.size()};
    queueText(texts, toWide(kMapTitle), 10, 0, 260, 22, 10, Muted, true);
    queueText(texts, map.caption, W - 220, 0, 205, 22, 10, Muted);
    if (a.beats.empty()) {
        fillRect(g, kBackground, 0, 0, W, H);
        paintGuideRings(g, v.ring);
        paintEmptyRing(texts, g, v.ring);
        closePaintBuffer(buffer);
        return;
    }
    copyStill(buffer, map.layer, doc, style.scale, v);
    const int32_t current = beatIndexAt(a, doc.view.playhead);
    paintFocus(g, a, v, map.hoveredBeat >= 0 ? map.hoveredBeat : current);
    fillDisc(g, kPlayingHalo, v.at(static_cast<size_t>(current)), 22);
    fillDisc(g, Orange, v.at(static_cast<size_t>(current)), 8);
    if (map.jumpFrom >= 0 && map.jumpTo >= 0 && now - map.jumpTick < 800)
        drawChord(g, v, map.jumpFrom, map.jumpTo, 0.0, kJumpFlash, 2.0f);
    paintCentre(texts, g, a, v, current);
    queueText(texts,
              std::to_wstring(a.connections.size()) + toWide(kConnectionsSuffix) + std::to_wstring(a.meter) +
                  toWide(kBeatsPerBarSpaced),
              10, H - 28, W - 20, 23, 11, Muted, false, 1);
    closePaintBuffer(buffer);
}

int32_t beatUnder(HWND window, LPARAM lParam, double scale, size_t beatCount)
{
    RECT client{};
    GetClientRect(window, &client);
    return beatAtPoint(client.right / scale, client.bottom / scale, scale, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                       beatCount);
}

} // namespace

namespace {

LRESULT handleMapMessage(WindowState& s, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MapState& map = s.map;
    const std::vector<Beat>& beats = s.doc.song.analysis.beats;
    switch (message) {
    case WM_PAINT:
        paintMap(window, nullptr, map, s.doc, paintStyle(s), s.seams.milliseconds());
        return 0;
    case WM_PRINTCLIENT:
        paintMap(window, reinterpret_cast<HDC>(wParam), map, s.doc, paintStyle(s), s.seams.milliseconds());
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE: {
        const int32_t beat = beatUnder(window, lParam, s.scale, beats.size());
        if (beat != map.hoveredBeat) {
            map.hoveredBeat = beat;
            InvalidateRect(window, nullptr, FALSE);
        }
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
        return 0;
    }
    case WM_MOUSELEAVE:
        map.hoveredBeat = -1;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        if (s.doc.view.busy)
            break;
        if (const int32_t beat = beatUnder(window, lParam, s.scale, beats.size()); beat >= 0)
            seekTo(s, beats[static_cast<size_t>(beat)].time);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (s.doc.view.busy)
            break;
        if (const int32_t beat = beatUnder(window, lParam, s.scale, beats.size()); beat >= 0) {
            placeCutAt(s, CutField::Start, beats[static_cast<size_t>(beat)].time);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK mapProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return atWindowEdge(window, message, wParam, lParam,
                        [&](WindowState& s) { return handleMapMessage(s, window, message, wParam, lParam); });
}
