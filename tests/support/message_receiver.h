// A stand-in for the main window: a receiver of the records jobs post, on
// the calling thread, and the next message posted to it. On Windows a
// message-only window; on POSIX a queue behind a platform::MessageTarget.
#pragma once
#include <cstdint>
#include <optional>

#include "platform/window_messages.h"

namespace testsupport {

platform::WindowHandle createMessageReceiver();
// Messages come in the order they were posted; waits up to timeoutMs.
std::optional<platform::PostedMessage> nextPostedMessage(platform::WindowHandle receiver, uint32_t timeoutMs);
void destroyMessageReceiver(platform::WindowHandle receiver);
// A window that is gone: every post to it fails.
platform::WindowHandle goneWindow();

} // namespace testsupport
