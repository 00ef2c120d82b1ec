#include "base/fault_injection.h"

std::atomic<int64_t> ioFailCountdown{0};

bool ioFaultNow()
{
    int64_t remaining = ioFailCountdown.load();
    if (remaining <= 0)
        return false;
    if (remaining == 1)
        return true;  // stays armed: a full disk stays full
    ioFailCountdown.compare_exchange_strong(remaining, remaining - 1);
    return false;
}
