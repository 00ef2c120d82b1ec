// Painting of the main window's client area, its owner-drawn children and
// its two views.
#pragma once
#include <windows.h>

// target: the device context of WM_PRINTCLIENT, or null for WM_PAINT.
void paintMainWindow(HWND window, HDC target = nullptr);
void paintListEntry(const DRAWITEMSTRUCT& item);
void paintButton(const DRAWITEMSTRUCT& item);
LRESULT CALLBACK timelineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK mapProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
