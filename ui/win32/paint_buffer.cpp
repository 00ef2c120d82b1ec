#include "ui/win32/paint_buffer.h"

#include <algorithm>

void openPaintBuffer(PaintBuffer& b, HWND window, bool antiAlias)
{
    b.window = window;
    b.dc = BeginPaint(window, &b.paint);
    RECT client{};
    GetClientRect(window, &client);
    b.width = client.right - client.left;
    b.height = client.bottom - client.top;
    b.memory = CreateCompatibleDC(b.dc);
    b.bitmap = CreateCompatibleBitmap(b.dc, std::max(1, b.width), std::max(1, b.height));
    b.oldBitmap = static_cast<HBITMAP>(SelectObject(b.memory, b.bitmap));
    openBatch(b.texts, b.memory);
    b.graphics = openGraphics(b.memory, antiAlias);
}

void closePaintBuffer(PaintBuffer& b)
{
    closeGraphics(b.graphics);
    flushBatch(b.texts);
    BitBlt(b.dc, 0, 0, b.width, b.height, b.memory, 0, 0, SRCCOPY);
    SelectObject(b.memory, b.oldBitmap);
    DeleteObject(b.bitmap);
    DeleteDC(b.memory);
    EndPaint(b.window, &b.paint);
}
