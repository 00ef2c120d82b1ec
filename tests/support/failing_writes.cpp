#include "support/failing_writes.h"

#include <atomic>
#include <stdexcept>

#include "base/fault_injection.h"

namespace {

// 0 = disarmed; N > 0 = the Nth check from now fails, and every one after it.
std::atomic<int64_t> countdown{0};

} // namespace

FailingWrites::FailingWrites(int64_t nth)
{
    if (nth <= 0)
        throw std::invalid_argument("FailingWrites: the first write is number 1");
    int64_t disarmed = 0;
    // Two armed scopes at once would disarm each other on the way out.
    if (!countdown.compare_exchange_strong(disarmed, nth))
        throw std::logic_error("FailingWrites: already armed");
}

FailingWrites::~FailingWrites()
{
    countdown = 0;
}

bool ioFaultNow()
{
    int64_t remaining = countdown.load();
    if (remaining <= 0)
        return false;
    if (remaining == 1)
        return true;  // stays armed
    countdown.compare_exchange_strong(remaining, remaining - 1);
    return false;
}
