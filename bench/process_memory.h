// The memory the running process has used, for benchmarks.
#pragma once
#include <cstdint>

namespace bench {

// Peak resident set (peak working set on Windows) of this process, in bytes.
uint64_t peakResidentBytes();

} // namespace bench
