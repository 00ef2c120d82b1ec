// A window, or the whole screen, as it shows, saved as a PNG file for a
// person to look at.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "ui/win32/drawing.h"

// width x height pixels of source, from its top-left corner.
inline void savePng(HDC source, int width, int height, const std::filesystem::path& file)
{
    HDC memory = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    using namespace Gdiplus::DllExports;
    Gdiplus::GpBitmap* image = nullptr;
    GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image);
    // The PNG encoder of GDI+.
    const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    EXPECT_EQ(GdipSaveImageToFile(image, file.wstring().c_str(), &png, nullptr), Gdiplus::Ok) << file;
    GdipDisposeImage(image);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

// The window's client area, freshly painted.
inline void savePng(HWND window, const std::filesystem::path& file)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client{};
    GetClientRect(window, &client);
    HDC screen = GetDC(window);
    savePng(screen, client.right, client.bottom, file);
    ReleaseDC(window, screen);
}

// The whole screen, frames and all: what lies past its edge is not in it.
inline void saveScreenPng(HWND window, const std::filesystem::path& file)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    HDC screen = GetDC(nullptr);
    savePng(screen, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), file);
    ReleaseDC(nullptr, screen);
}
