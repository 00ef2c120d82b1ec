// The tests reach the window's state as its own procedures do: through the
// window. The main window of the calling thread, found by its class.
#pragma once
#include <windows.h>

#include <cwchar>
#include <stdexcept>

#include "ui/win32/widgets.h"
#include "ui/win32/window_state.h"

// Null when this thread has no main window (yet, or any more).
inline WindowState* shownWindow()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM out) -> BOOL {
            wchar_t name[32] = {};
            if (GetClassNameW(window, name, 32) > 0 && wcscmp(name, kMainWindowClass) == 0) {
                *reinterpret_cast<HWND*>(out) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found ? stateOf(found) : nullptr;
}

inline WindowState& ui()
{
    if (WindowState* s = shownWindow())
        return *s;
    throw std::runtime_error("this thread shows no main window");
}

inline HWND control(int id)
{
    return control(ui().widgets, id);
}

inline Player& player()
{
    return ui().running->player;
}
