#include "ui/win32/text_batch.h"

#include <cmath>

#include "ui/win32/drawing.h"

namespace {

int px(double logical, double scale)
{
    return static_cast<int>(std::round(logical * scale));
}

} // namespace

void openBatch(TextBatch& batch, HDC dc, PaintStyle style)
{
    batch.dc = dc;
    batch.style = style;
    batch.items.clear();
}

RECT textBox(double scale, float x, float y, float width, float height)
{
    return RECT{px(x, scale), px(y, scale), px(static_cast<double>(x) + width, scale),
                px(static_cast<double>(y) + height, scale)};
}

void flushBatch(TextBatch& batch)
{
    const double scale = batch.style.scale;
    for (const TextItem& item : batch.items) {
        HFONT font = CreateFontW(-px(item.size, scale), 0, 0, 0, item.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, 0,
                                 L"Segoe UI");
        HGDIOBJ old = SelectObject(batch.dc, font);
        SetBkMode(batch.dc, TRANSPARENT);
        SetTextColor(batch.dc, toColorref(item.colour));
        RECT box = textBox(scale, item.x, item.y, item.width, item.height);
        DrawTextW(batch.dc, item.text.c_str(), static_cast<int>(item.text.size()), &box,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | item.alignment);
        GdiFlush();
        SelectObject(batch.dc, old);
        DeleteObject(font);
    }
    if (batch.style.sink && *batch.style.sink)
        for (const TextItem& item : batch.items)
            (*batch.style.sink)(item);
    batch.items.clear();
}

void queueText(TextBatch& batch, std::wstring_view text, float x, float y, float width, float height, float size,
               Argb colour, bool bold, uint8_t alignment)
{
    batch.items.push_back(TextItem{std::wstring(text), x, y, width, height, size, colour, bold, alignment});
}
