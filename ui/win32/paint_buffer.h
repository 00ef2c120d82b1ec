// One WM_PAINT drawn into an off-screen bitmap and copied to the window with
// a single BitBlt, with a text batch for the texts.
#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/win32/drawing.h"
#include "ui/win32/text_batch.h"

struct PaintBuffer {
    HWND window = nullptr;
    PAINTSTRUCT paint{};
    HDC dc = nullptr;
    bool printing = false;
    int width = 0, height = 0;  // device pixels
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr, oldBitmap = nullptr;
    // With Surface::Pixels, the bitmap's pixels (32-bit, top row first) for
    // drawing that bypasses GDI+; flush the graphics before touching them.
    uint32_t* bits = nullptr;
    Graphics* graphics = nullptr;
    TextBatch texts;
};

// Device: a bitmap like the screen's, which GDI+ fills fastest. Pixels: a
// 32-bit bitmap whose pixels (bits) can also be written directly.
enum class Surface { Device, Pixels };

// With a target (WM_PRINTCLIENT) the paint goes there instead of the screen,
// through the same code. The graphics and the texts draw in style's scale.
void openPaintBuffer(PaintBuffer& buffer, HWND window, PaintStyle style, bool antiAlias, HDC target = nullptr,
                     Surface surface = Surface::Device);
void closePaintBuffer(PaintBuffer& buffer);
