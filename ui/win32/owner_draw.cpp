#include "ui/win32/owner_draw.h"

#include <algorithm>
#include <string>

#include "app/window_texts.h"
#include "ui/win32/drawing.h"
#include "ui/win32/widgets.h"

namespace {

float logical(LONG pixels, double scale)
{
    return static_cast<float>(pixels / scale);
}

// One owner-drawn item being painted: graphics and a text batch on its DC,
// and its size in logical units.
struct ItemPaint {
    Graphics* g = nullptr;
    TextBatch batch;
    float width = 0, height = 0;
};

void openItem(ItemPaint& p, const DRAWITEMSTRUCT& item, PaintStyle style, bool antiAlias)
{
    p.g = openGraphics(item.hDC, antiAlias, style.scale);
    openBatch(p.batch, item.hDC, style);
    p.width = logical(item.rcItem.right - item.rcItem.left, style.scale);
    p.height = logical(item.rcItem.bottom - item.rcItem.top, style.scale);
}

void closeItem(ItemPaint& p)
{
    closeGraphics(p.g);
    flushBatch(p.batch);
}

} // namespace

void paintListEntry(const Document& doc, PaintStyle style, const DRAWITEMSTRUCT& item)
{
    if (item.itemID == static_cast<UINT>(-1))
        return;
    ItemPaint p;
    openItem(p, item, style, false);
    Graphics* g = p.g;
    TextBatch& batch = p.batch;
    const float x = logical(item.rcItem.left, style.scale), y = logical(item.rcItem.top, style.scale);
    const float w = p.width, h = p.height;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (selected) {
        fillRect(g, kEntrySelected, x, y, w, h);
        fillRect(g, Green, x, y, 3, h);
    } else {
        fillRect(g, kEntry, x, y, w, h);
    }
    const auto& loops = doc.song.analysis.loops;
    if (item.itemID == 0) {
        queueText(batch, toWide(kManualEntryTitle), x + 12, y + 3, w - 24, 20, 12, TextColour, true);
        queueText(batch, toWide(kManualEntryHint), x + 12, y + 23, w - 24, 17, 10, Muted);
    } else if (item.itemID - 1 < loops.size()) {
        const Loop& loop = loops[item.itemID - 1];
        queueText(batch,
                  std::to_wstring(loop.bars) + toWide(kBarsSuffix) + fixedText(loop.end - loop.start, 1) +
                      toWide(kSecondsSuffix),
                  x + 12, y + 2, w - 70, 22, 12, TextColour, true);
        // A score can pass 1 by design; people read at most 100 %.
        queueText(batch, fixedText(100 * std::min(loop.score, 1.0), 0) + toWide(kPercentSuffix), x + w - 53, y + 2,
                  43, 22, 12, selected ? Green : Muted, true, 1);
        queueText(batch,
                  fixedText(loop.start, 2) + toWide(kRangeArrow) + fixedText(loop.end, 2) + toWide(kOutroInfix) +
                      fixedText(loop.outro, 2),
                  x + 12, y + 24, w - 24, 16, 10, Muted);
    }
    drawLine(g, kEntryRule, 1.0f, x, y + h - 1, x + w, y + h - 1);
    closeItem(p);
}

namespace {

// "Exacta": a box on the panel's own fill, ticked in the play button's green
// while on, with the control's text beside it.
void paintCheckBox(bool on, PaintStyle style, const DRAWITEMSTRUCT& item)
{
    const bool enabled = IsWindowEnabled(item.hwndItem) != FALSE;
    ItemPaint p;
    openItem(p, item, style, true);
    Graphics* g = p.g;
    TextBatch& batch = p.batch;
    const float G = p.width, B = p.height;
    const float box = 14, top = (B - box) / 2;
    fillRect(g, kPanel, 0, 0, G, B);
    fillRect(g, on ? (enabled ? Green : kPlayDisabled) : kFieldBackground, 6, top, box, box);
    drawRect(g, on ? kEmphasisBorder : Line, 1.0f, 6, top, box, box);
    if (on) {
        drawLine(g, kPlayText, 2.0f, 9, top + 7, 12, top + 10);
        drawLine(g, kPlayText, 2.0f, 12, top + 10, 17, top + 4);
    }
    queueText(batch, windowText(item.hwndItem), 26, 0, G - 28, B, 11, enabled ? TextColour : kButtonDisabledText, on);
    if (item.itemState & ODS_FOCUS)
        drawRect(g, Muted, 0.7f, 2, 2, G - 5, B - 5, true);
    closeItem(p);
}

} // namespace

void paintButton(const ButtonLook& look, PaintStyle style, const DRAWITEMSTRUCT& item)
{
    if (item.CtlID == static_cast<UINT>(kIdExact)) {
        paintCheckBox(look.exact, style, item);
        return;
    }
    const int id = static_cast<int>(item.CtlID);
    const bool enabled = IsWindowEnabled(item.hwndItem) != FALSE;
    Argb fill = kButton, fore = enabled ? TextColour : kButtonDisabledText;
    bool emphasis = false;
    const PlaybackMode mode = look.mode;
    if ((id == kIdOriginal && mode == PlaybackMode::Original) || (id == kIdLoop && mode == PlaybackMode::Loop) ||
        (id == kIdExplore && mode == PlaybackMode::Explore) || (id == kIdMagnet && look.magnet)) {
        fill = kButtonEmphasis;
        emphasis = true;
    } else if (id == kIdExport) {
        fill = enabled ? Orange : kExportDisabled;
        fore = kExportText;
    } else if (id == kIdPlay) {
        fill = enabled ? Green : kPlayDisabled;
        fore = kPlayText;
    }

    ItemPaint p;
    openItem(p, item, style, true);
    Graphics* g = p.g;
    TextBatch& batch = p.batch;
    const float G = p.width, B = p.height;
    const float cx = G / 2, cy = B / 2;
    fillRect(g, (item.itemState & ODS_SELECTED) ? kButtonPressed : fill, 0, 0, G, B);
    drawRect(g, emphasis ? kEmphasisBorder : Line, 1.0f, 0, 0, G - 1, B - 1);
    if (id == kIdPlay) {
        if (look.playing) {
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
        queueText(batch, windowText(item.hwndItem), 2, 0, G - 4, B, 11, fore, emphasis || id == kIdExport, 1);
    }
    if (item.itemState & ODS_FOCUS)
        drawRect(g, Muted, 0.7f, 3, 3, G - 7, B - 7, true);
    closeItem(p);
}
