// Texts queued during a paint and drawn afterwards with GDI, over the GDI+
// shapes, so that they get ClearType.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/theme.h"

struct TextItem {
    std::wstring text;
    float x = 0, y = 0, width = 0, height = 0;  // logical units
    float size = 0;
    Argb colour = 0;
    bool bold = false;
    uint8_t alignment = 0;  // 0 left, 1 centred, 2 right
};

// Sees every item a batch draws, in order: how a test reads what a paint wrote.
using TextSink = std::function<void(const TextItem&)>;

// How a paint draws: its scale (device pixels per logical unit) and the sink
// its texts also go to, if any.
struct PaintStyle {
    double scale = 1.0;
    const TextSink* sink = nullptr;
};

struct TextBatch {
    HDC dc = nullptr;
    PaintStyle style;
    std::vector<TextItem> items;
};

void openBatch(TextBatch& batch, HDC dc, PaintStyle style);
// Draws the items, hands them to the sink, and forgets them.
void flushBatch(TextBatch& batch);
void queueText(TextBatch& batch, std::wstring_view text, float x, float y, float width, float height, float size,
               Argb colour, bool bold = false, uint8_t alignment = 0);
// The box of a text in device pixels.
RECT textBox(double scale, float x, float y, float width, float height);
