// The owner-drawn list entries and buttons.
#include <algorithm>
#include <string>

#include "base/number_format.h"
#include "ui/win32/main_window.h"
#include "ui/win32/paint.h"
#include "ui/win32/text_batch.h"

namespace {

float logical(LONG pixels)
{
    return static_cast<float>(pixels / dpiScale);
}

std::wstring fixed(double x, int decimals)
{
    return toWide(formatFixed(x, decimals));
}

} // namespace

void paintListEntry(const DRAWITEMSTRUCT& item)
{
    if (item.itemID == static_cast<UINT>(-1))
        return;
    Graphics* g = openGraphics(item.hDC, false);
    TextBatch batch;
    openBatch(batch, item.hDC);
    const float x = logical(item.rcItem.left), y = logical(item.rcItem.top);
    const float w = logical(item.rcItem.right - item.rcItem.left), h = logical(item.rcItem.bottom - item.rcItem.top);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (selected) {
        fillRect(g, 0xFF2A333A, x, y, w, h);
        fillRect(g, Green, x, y, 3, h);
    } else {
        fillRect(g, 0xFF161A21, x, y, w, h);
    }
    const auto& loops = ui().doc.song.analysis.loops;
    if (item.itemID == 0) {
        queueText(L"Cortes manuales", x + 12, y + 3, w - 24, 20, 12, TextColour, true);
        queueText(L"Arrastra A / B / final o escribe tiempos", x + 12, y + 23, w - 24, 17, 10, Muted);
    } else if (item.itemID - 1 < loops.size()) {
        const Loop& loop = loops[item.itemID - 1];
        queueText(std::to_wstring(loop.bars) + L" compases   \u00B7   " + fixed(loop.end - loop.start, 1) + L" s", x + 12,
                  y + 2, w - 70, 22, 12, TextColour, true);
        // A score can pass 1 by design; people read at most 100 %.
        queueText(fixed(100 * std::min(loop.score, 1.0), 0) + L"%", x + w - 53, y + 2, 43, 22, 12, selected ? Green : Muted, true, 1);
        queueText(fixed(loop.start, 2) + L" \u2192 " + fixed(loop.end, 2) + L"   /   final " + fixed(loop.outro, 2),
                  x + 12, y + 24, w - 24, 16, 10, Muted);
    }
    drawLine(g, 0xFF232831, 1.0f, x, y + h - 1, x + w, y + h - 1);
    closeGraphics(g);
    flushBatch(batch);
}

namespace {

// "Exacta": a box on the panel's own fill, ticked in the play button's green
// while on, with the control's text beside it.
void paintCheckBox(const DRAWITEMSTRUCT& item)
{
    const bool enabled = IsWindowEnabled(item.hwndItem) != FALSE;
    const bool on = ui().doc.entry.exact;
    Graphics* g = openGraphics(item.hDC, true);
    TextBatch batch;
    openBatch(batch, item.hDC);
    const float G = logical(item.rcItem.right - item.rcItem.left), B = logical(item.rcItem.bottom - item.rcItem.top);
    const float box = 14, top = (B - box) / 2;
    fillRect(g, 0xFF13161C, 0, 0, G, B);
    fillRect(g, on ? (enabled ? Green : 0xFF1D3430) : 0xFF1D2129, 6, top, box, box);
    drawRect(g, on ? 0xFF597777 : Line, 1.0f, 6, top, box, box);
    if (on) {
        const Argb tick = 0xFF0F1816;
        drawLine(g, tick, 2.0f, 9, top + 7, 12, top + 10);
        drawLine(g, tick, 2.0f, 12, top + 10, 17, top + 4);
    }
    queueText(windowText(item.hwndItem), 26, 0, G - 28, B, 11, enabled ? TextColour : 0xFF474E5A, on);
    if (item.itemState & ODS_FOCUS)
        drawRect(g, Muted, 0.7f, 2, 2, G - 5, B - 5, true);
    closeGraphics(g);
    flushBatch(batch);
}

} // namespace

void paintButton(const DRAWITEMSTRUCT& item)
{
    if (item.CtlID == static_cast<UINT>(kIdExact)) {
        paintCheckBox(item);
        return;
    }
    const WindowState& s = ui();
    const int id = static_cast<int>(item.CtlID);
    const bool enabled = IsWindowEnabled(item.hwndItem) != FALSE;
    Argb fill = 0xFF1B1F27, fore = enabled ? TextColour : 0xFF474E5A;
    bool emphasis = false;
    const PlaybackMode mode = s.doc.view.mode;
    if ((id == kIdOriginal && mode == PlaybackMode::Original) || (id == kIdLoop && mode == PlaybackMode::Loop) ||
        (id == kIdExplore && mode == PlaybackMode::Explore) || (id == kIdMagnet && s.doc.magnet)) {
        fill = 0xFF303A43;
        emphasis = true;
    } else if (id == kIdExport) {
        fill = enabled ? Orange : 0xFF423425;
        fore = 0xFF14171C;
    } else if (id == kIdPlay) {
        fill = enabled ? Green : 0xFF1D3430;
        fore = 0xFF0F1816;
    }

    Graphics* g = openGraphics(item.hDC, true);
    TextBatch batch;
    openBatch(batch, item.hDC);
    const float G = logical(item.rcItem.right - item.rcItem.left), B = logical(item.rcItem.bottom - item.rcItem.top);
    const float cx = G / 2, cy = B / 2;
    fillRect(g, (item.itemState & ODS_SELECTED) ? 0xFF3E434E : fill, 0, 0, G, B);
    drawRect(g, emphasis ? 0xFF597777 : Line, 1.0f, 0, 0, G - 1, B - 1);
    if (id == kIdPlay) {
        const PlaybackState& state = s.running->player.state;
        if (state.playing.load() && !state.paused.load()) {
            fillRect(g, fore, cx - 6, cy - 8, 4, 16);
            fillRect(g, fore, cx + 2, cy - 8, 4, 16);
        } else {
            const Gdiplus::PointF triangle[3] = {{cx - 4, cy - 8}, {cx + 8, cy}, {cx - 4, cy + 8}};
            fillPolygon(g, fore, triangle, 3);
        }
    } else if (id == kIdStop) {
        fillRect(g, fore, cx - 4, cy - 4, 8, 8);
    } else if (id == kIdBeatBack || id == kIdBeatForward) {
        const float m = id == kIdBeatBack ? 2.0f : -2.0f;
        drawLine(g, fore, 1.5f, cx + 2 * m, cy - 5, cx - m, cy);
        drawLine(g, fore, 1.5f, cx - m, cy, cx + 2 * m, cy + 5);
        drawLine(g, fore, 1.5f, cx - 2.5f * m, cy - 6, cx - 2.5f * m, cy + 6);
    } else {
        queueText(windowText(item.hwndItem), 2, 0, G - 4, B, 11, fore, emphasis || id == kIdExport, 1);
    }
    if (item.itemState & ODS_FOCUS)
        drawRect(g, Muted, 0.7f, 3, 3, G - 7, B - 7, true);
    closeGraphics(g);
    flushBatch(batch);
}
