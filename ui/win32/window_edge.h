// The window's edge: every window procedure of ours goes through here. The
// window finds its state, and nothing a message does may leave a window
// procedure as an exception, which would end the program: the user sees the
// unexpected error's text instead and the window goes on.
#pragma once
#include <windows.h>

#include "ui/win32/window_state.h"

void reportUnexpected(WindowState& s);

template <typename Handler>
LRESULT guarded(WindowState& s, Handler&& handler)
{
    try {
        return handler();
    } catch (...) {
        try {
            reportUnexpected(s);
        } catch (...) {
        }
        return 0;
    }
}

// A window procedure's body: the state handed to CreateWindowExW is kept at
// WM_NCCREATE; before that (and for a window that has none) the message
// goes to DefWindowProcW. handler(state) answers the rest, guarded.
template <typename Handler>
LRESULT atWindowEdge(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Handler&& handler)
{
    if (message == WM_NCCREATE)
        attachState(window, lParam);
    WindowState* s = stateOf(window);
    if (!s)
        return DefWindowProcW(window, message, wParam, lParam);
    return guarded(*s, [&] { return handler(*s); });
}
