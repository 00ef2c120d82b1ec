// A window's client area painted into a 32-bit bitmap through WM_PRINTCLIENT,
// that is through the window's own paint code, for pixel probes; and the
// texts that paint queued.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/win32/text_batch.h"
#include "ui/win32/window_state.h"

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB, top row first
    std::vector<TextItem> texts;

    uint32_t at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0xFFFFFFFF;
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] & 0xFFFFFF;
    }
    bool hasText(const std::wstring& text) const
    {
        for (const TextItem& item : texts)
            if (item.text == text)
                return true;
        return false;
    }
};

// While it lives, every text the paints of window's main window (window
// itself, a view or a control of it) draw is also appended to texts.
struct RecordedTexts {
    WindowState& state;
    TextSink saved;
    RecordedTexts(HWND window, std::vector<TextItem>& texts)
        : state(*stateOf(GetAncestor(window, GA_ROOT))), saved(state.seams.textSink)
    {
        state.seams.textSink = [&texts](const TextItem& item) { texts.push_back(item); };
    }
    ~RecordedTexts() { state.seams.textSink = saved; }
    RecordedTexts(const RecordedTexts&) = delete;
    RecordedTexts& operator=(const RecordedTexts&) = delete;
};

inline Picture printClient(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    Picture picture;
    picture.width = std::max<LONG>(1, client.right);
    picture.height = std::max<LONG>(1, client.bottom);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    {
        RecordedTexts recording(window, picture.texts);
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    }
    GdiFlush();
    const auto* source = static_cast<const uint32_t*>(bits);
    picture.pixels.assign(source, source + static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

// Pixels of the row y whose colour is exactly rgb.
inline int countInRow(const Picture& picture, int y, uint32_t rgb)
{
    int count = 0;
    for (int x = 0; x < picture.width; ++x)
        count += picture.at(x, y) == rgb ? 1 : 0;
    return count;
}
