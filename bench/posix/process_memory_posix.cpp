#include "bench/process_memory.h"

#include <sys/resource.h>

namespace bench {

uint64_t peakResidentBytes()
{
    struct rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0;
    return static_cast<uint64_t>(usage.ru_maxrss) * 1024;  // Linux reports kilobytes
}

} // namespace bench
