// Handing owned records from a worker thread to the window thread. On
// Windows these are real messages posted to a real window; on POSIX, where
// no window exists, they go into a queue that tests drain.
// One header, two implementations: platform/win32 and platform/posix.
#pragma once
#include <cstdint>
#include <optional>

namespace platform {

// A window's handle (HWND on Windows), or a queue's on POSIX; 0 is none.
using WindowHandle = intptr_t;

struct PostedMessage {
    uint32_t message = 0;
    void* payload = nullptr;  // owned by whoever takes the message
};

// Posts message with the payload as its second parameter (the first is 0).
// False when it could not be posted; the payload then stays the caller's.
bool postToWindow(WindowHandle window, uint32_t message, void* payload);

// Lowers the calling thread's scheduling priority below normal.
void lowerCurrentThreadPriority();

// For tests and for programs without a window of their own: a receiver on
// the calling thread, and the next message posted to it (waiting up to
// timeoutMs). Messages are taken in the order they were posted.
WindowHandle createMessageReceiver();
std::optional<PostedMessage> nextPostedMessage(WindowHandle receiver, uint32_t timeoutMs);
void destroyMessageReceiver(WindowHandle receiver);

} // namespace platform
