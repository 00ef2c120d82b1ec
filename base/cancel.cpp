#include "base/cancel.h"

std::atomic<bool> cancelFlag{false};

void checkCancel()
{
    if (cancelFlag.load())
        throw Cancelled();
}
