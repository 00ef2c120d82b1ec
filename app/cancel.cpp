#include "app/cancel.h"

#include <stdexcept>

std::atomic<bool> cancelFlag{false};

void checkCancel()
{
    if (cancelFlag.load())
        throw std::runtime_error(kCancelledMessage);
}
