#include "platform/memory_pages.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

void preferHugePages(void* data, size_t bytes)
{
    // The advice covers whole pages: those wholly inside the buffer.
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page <= 0 || data == nullptr)
        return;
    const auto size = static_cast<uintptr_t>(page);
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (start + size - 1) / size * size;
    const uintptr_t end = (start + bytes) / size * size;
    if (end > first)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);  // a refusal changes nothing
}

} // namespace platform
