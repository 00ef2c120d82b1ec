// Handing owned records from a worker thread to the window thread. On
// Windows these are real messages posted to a real window. POSIX has no
// windows: a handle there is the address of a MessageTarget, which takes
// what is posted to it.
// One header, two implementations: platform/win32 and platform/posix.
#pragma once
#include <cstdint>
#include <functional>

namespace platform {

// A window's handle (HWND on Windows), or a MessageTarget's address on POSIX; 0 is none.
using WindowHandle = intptr_t;

struct PostedMessage {
    uint32_t message = 0;
    void* payload = nullptr;  // owned by whoever takes the message
};

// Takes one posted message: true when it took the payload (and now owns it),
// false when it could not. Its owner keeps it alive while anything may post.
struct MessageTarget {
    std::function<bool(uint32_t message, void* payload)> take;
};

// Posts message with the payload as its second parameter (the first is 0).
// False when it could not be posted; the payload then stays the caller's.
bool postToWindow(WindowHandle window, uint32_t message, void* payload);

// Lowers the calling thread's scheduling priority below normal.
void lowerCurrentThreadPriority();

} // namespace platform
