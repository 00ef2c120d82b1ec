#include "platform/window_messages.h"

#include <windows.h>

namespace platform {

bool postToWindow(WindowHandle window, uint32_t message, void* payload)
{
    return PostMessageW(reinterpret_cast<HWND>(window), message, 0, reinterpret_cast<LPARAM>(payload)) != 0;
}

void lowerCurrentThreadPriority()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

} // namespace platform
