// The main window: start-up, the message loop, and what the window does on
// its own (layout, enable rules, job results, the playback timer).
#pragma once
#include <windows.h>

#include <memory>

#include "app/running.h"
#include "ui/win32/window_state.h"

// Common controls, GDI+, the three classes and the main window, shown. The
// caller owns the window's state until endWindow. Throws "No se pudo crear
// la ventana." when the window cannot be made.
std::unique_ptr<WindowState> startWindow(Running& running, Seams seams, int showCommand);
// What the message loop does with one message: the keyboard hook, dialog
// navigation between the controls, then the window procedures.
void dispatchWindowMessage(WindowState& s, MSG& message);
// Runs until the window is gone; returns when GetMessageW ends.
void runMessageLoop(WindowState& s);
// After the message loop: the common shutdown, then the window's GDI objects,
// its classes and GDI+. window may be null (the window never started).
void endWindow(std::unique_ptr<WindowState> window, Running& running);

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
