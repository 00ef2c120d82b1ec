#include "platform/memory_pages.h"

namespace platform {

// Windows gives large pages only to accounts holding the right to lock pages
// in memory, which a user's account does not: nothing to ask for.
void preferHugePages(void*, size_t) {}

} // namespace platform
