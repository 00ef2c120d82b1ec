// The main window's client area: header band, clock, tempo, model summary,
// the loop builder panel with its labels and score bars, the timeline captions.
#pragma once
#include <windows.h>

#include "app/document.h"
#include "ui/win32/text_batch.h"

// target: the device context of WM_PRINTCLIENT, or null for WM_PAINT.
void paintMainWindow(const Document& doc, PaintStyle style, HWND window, HDC target = nullptr);
