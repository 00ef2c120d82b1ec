#include "ui/win32/paint_buffer.h"

#include <algorithm>

namespace {

HBITMAP createPixelBitmap(HDC dc, int width, int height, uint32_t*& bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bits = static_cast<uint32_t*>(pixels);
    return bitmap;
}

} // namespace

void openPaintBuffer(PaintBuffer& b, HWND window, PaintStyle style, bool antiAlias, HDC target, Surface surface)
{
    b.window = window;
    b.printing = target != nullptr;
    b.dc = b.printing ? target : BeginPaint(window, &b.paint);
    RECT client{};
    GetClientRect(window, &client);
    b.width = client.right - client.left;
    b.height = client.bottom - client.top;
    b.memory = CreateCompatibleDC(b.dc);
    if (surface == Surface::Device) {
        b.bitmap = CreateCompatibleBitmap(b.dc, std::max(1, b.width), std::max(1, b.height));
    } else {
        b.bitmap = createPixelBitmap(b.dc, std::max(1, b.width), std::max(1, b.height), b.bits);
    }
    b.oldBitmap = static_cast<HBITMAP>(SelectObject(b.memory, b.bitmap));
    openBatch(b.texts, b.memory, style);
    b.graphics = openGraphics(b.memory, antiAlias, style.scale);
}

void closePaintBuffer(PaintBuffer& b)
{
    closeGraphics(b.graphics);
    flushBatch(b.texts);
    BitBlt(b.dc, 0, 0, b.width, b.height, b.memory, 0, 0, SRCCOPY);
    SelectObject(b.memory, b.oldBitmap);
    DeleteObject(b.bitmap);
    DeleteDC(b.memory);
    if (!b.printing)
        EndPaint(b.window, &b.paint);
}
