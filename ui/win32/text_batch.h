// Texts queued during a paint and drawn afterwards with GDI, over the GDI+
// shapes, so that they get ClearType. Batches nest; one is current at a time.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/win32/drawing.h"

struct TextItem {
    std::wstring text;
    float x = 0, y = 0, width = 0, height = 0;  // logical units
    float size = 0;
    Argb colour = 0;
    bool bold = false;
    uint8_t alignment = 0;  // 0 left, 1 centred, 2 right
};

struct TextBatch {
    HDC dc = nullptr;
    TextBatch* previous = nullptr;
    std::vector<TextItem> items;
};

// Makes batch current on dc.
void openBatch(TextBatch& batch, HDC dc);
// Makes the previous batch current again, then draws and forgets the items.
void flushBatch(TextBatch& batch);
// Appends to the current batch; dropped when none is current.
void queueText(std::wstring_view text, float x, float y, float width, float height, float size, Argb colour,
               bool bold = false, uint8_t alignment = 0);
// When set, every flushed item is also copied here, so a test can read what
// a paint wrote.
extern std::vector<TextItem>* recordedTexts;
// The box of a text in device pixels.
RECT textBox(float x, float y, float width, float height);
