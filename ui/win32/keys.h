// The keyboard hook: the message loop shows it every message first.
#pragma once
#include <windows.h>

#include "ui/win32/window_state.h"

// True when the hook consumed the message.
bool keyboardHook(WindowState& s, const MSG& message);
