#include "bench/process_memory.h"

#include <windows.h>
#include <psapi.h>

namespace bench {

uint64_t peakResidentBytes()
{
    PROCESS_MEMORY_COUNTERS counters {};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.PeakWorkingSetSize;
}

} // namespace bench
