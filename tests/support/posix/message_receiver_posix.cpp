#include "support/message_receiver.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace testsupport {
namespace {

// The system's message queue, which is itself synchronised, as the job
// thread and the test's thread both reach it.
struct Receiver {
    platform::MessageTarget target;
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<platform::PostedMessage> messages;
};

struct Receivers {
    std::mutex lock;
    std::map<platform::WindowHandle, std::unique_ptr<Receiver>> all;
};

Receivers& receivers()
{
    static Receivers receivers;
    return receivers;
}

Receiver* receiverOf(platform::WindowHandle handle)
{
    Receivers& r = receivers();
    const std::lock_guard<std::mutex> guard(r.lock);
    const auto found = r.all.find(handle);
    return found == r.all.end() ? nullptr : found->second.get();
}

} // namespace

platform::WindowHandle createMessageReceiver()
{
    auto receiver = std::make_unique<Receiver>();
    Receiver* self = receiver.get();
    self->target.take = [self](uint32_t message, void* payload) {
        {
            const std::lock_guard<std::mutex> guard(self->lock);
            self->messages.push_back({message, payload});
        }
        self->arrived.notify_one();
        return true;
    };
    const auto handle = reinterpret_cast<platform::WindowHandle>(&self->target);
    Receivers& r = receivers();
    const std::lock_guard<std::mutex> guard(r.lock);
    r.all[handle] = std::move(receiver);
    return handle;
}

std::optional<platform::PostedMessage> nextPostedMessage(platform::WindowHandle receiver, uint32_t timeoutMs)
{
    Receiver* queue = receiverOf(receiver);
    if (queue == nullptr)
        return std::nullopt;
    std::unique_lock<std::mutex> guard(queue->lock);
    if (!queue->arrived.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                 [&] { return !queue->messages.empty(); }))
        return std::nullopt;
    const platform::PostedMessage message = queue->messages.front();
    queue->messages.pop_front();
    return message;
}

void destroyMessageReceiver(platform::WindowHandle receiver)
{
    Receivers& r = receivers();
    const std::lock_guard<std::mutex> guard(r.lock);
    r.all.erase(receiver);
}

platform::WindowHandle goneWindow()
{
    static const platform::MessageTarget gone{[](uint32_t, void*) { return false; }};
    return reinterpret_cast<platform::WindowHandle>(&gone);
}

} // namespace testsupport
