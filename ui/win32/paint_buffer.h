// One WM_PAINT drawn into an off-screen bitmap and copied to the window with
// a single BitBlt, with a text batch for the texts.
#pragma once
#include <windows.h>

#include "ui/win32/drawing.h"
#include "ui/win32/text_batch.h"

struct PaintBuffer {
    HWND window = nullptr;
    PAINTSTRUCT paint{};
    HDC dc = nullptr;
    int width = 0, height = 0;  // device pixels
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr, oldBitmap = nullptr;
    Graphics* graphics = nullptr;
    TextBatch texts;
};

void openPaintBuffer(PaintBuffer& buffer, HWND window, bool antiAlias);
void closePaintBuffer(PaintBuffer& buffer);
