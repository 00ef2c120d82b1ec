#include "platform/window_messages.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {
namespace {

// The stand-in for the system's message queue, which is itself
// synchronised; the program's own code never shares state through it.
struct Queue {
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<PostedMessage> messages;
};

struct Receivers {
    std::mutex lock;
    std::map<WindowHandle, Queue> queues;
    WindowHandle next = 1;
};

Receivers& receivers()
{
    static Receivers all;
    return all;
}

Queue* queueOf(WindowHandle handle)
{
    Receivers& all = receivers();
    const std::lock_guard<std::mutex> guard(all.lock);
    const auto found = all.queues.find(handle);
    return found == all.queues.end() ? nullptr : &found->second;
}

} // namespace

bool postToWindow(WindowHandle window, uint32_t message, void* payload)
{
    Queue* queue = queueOf(window);
    if (queue == nullptr)
        return false;
    {
        const std::lock_guard<std::mutex> guard(queue->lock);
        queue->messages.push_back({message, payload});
    }
    queue->arrived.notify_one();
    return true;
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

WindowHandle createMessageReceiver()
{
    Receivers& all = receivers();
    const std::lock_guard<std::mutex> guard(all.lock);
    const WindowHandle handle = all.next++;
    all.queues[handle];
    return handle;
}

std::optional<PostedMessage> nextPostedMessage(WindowHandle receiver, uint32_t timeoutMs)
{
    Queue* queue = queueOf(receiver);
    if (queue == nullptr)
        return std::nullopt;
    std::unique_lock<std::mutex> guard(queue->lock);
    if (!queue->arrived.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                 [&] { return !queue->messages.empty(); }))
        return std::nullopt;
    const PostedMessage message = queue->messages.front();
    queue->messages.pop_front();
    return message;
}

void destroyMessageReceiver(WindowHandle receiver)
{
    Receivers& all = receivers();
    const std::lock_guard<std::mutex> guard(all.lock);
    all.queues.erase(receiver);
}

} // namespace platform
