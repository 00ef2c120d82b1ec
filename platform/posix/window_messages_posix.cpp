#include "platform/window_messages.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

bool postToWindow(WindowHandle window, uint32_t message, void* payload)
{
    const auto* target = reinterpret_cast<const MessageTarget*>(window);
    return target != nullptr && target->take && target->take(message, payload);
}

void lowerCurrentThreadPriority()
{
    // Linux keeps a nice value per thread; a few steps down is "below normal".
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, thread, current + 4);
}

} // namespace platform
