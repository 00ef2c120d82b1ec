#include "ui/win32/text_batch.h"

#include <cmath>

namespace {

TextBatch* current = nullptr;

int px(double logical)
{
    return static_cast<int>(std::round(logical * dpiScale));
}

} // namespace

std::vector<TextItem>* recordedTexts = nullptr;

void openBatch(TextBatch& batch, HDC dc)
{
    batch.dc = dc;
    batch.previous = current;
    batch.items.clear();
    current = &batch;
}

RECT textBox(float x, float y, float width, float height)
{
    return RECT{px(x), px(y), px(static_cast<double>(x) + width), px(static_cast<double>(y) + height)};
}

void flushBatch(TextBatch& batch)
{
    current = batch.previous;
    for (const TextItem& item : batch.items) {
        HFONT font = CreateFontW(-px(item.size), 0, 0, 0, item.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, 0,
                                 L"Segoe UI");
        HGDIOBJ old = SelectObject(batch.dc, font);
        SetBkMode(batch.dc, TRANSPARENT);
        SetTextColor(batch.dc, toColorref(item.colour));
        RECT box = textBox(item.x, item.y, item.width, item.height);
        DrawTextW(batch.dc, item.text.c_str(), static_cast<int>(item.text.size()), &box,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | item.alignment);
        GdiFlush();
        SelectObject(batch.dc, old);
        DeleteObject(font);
    }
    if (recordedTexts)
        recordedTexts->insert(recordedTexts->end(), batch.items.begin(), batch.items.end());
    batch.items.clear();
}

void queueText(std::wstring_view text, float x, float y, float width, float height, float size, Argb colour,
               bool bold, uint8_t alignment)
{
    if (!current)
        return;
    current->items.push_back(TextItem{std::wstring(text), x, y, width, height, size, colour, bold, alignment});
}
