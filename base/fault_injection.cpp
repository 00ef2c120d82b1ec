#include "base/fault_injection.h"

// Kept alone in its file: a test program that defines ioFaultNow itself
// never pulls this one in.
bool ioFaultNow()
{
    return false;
}
