// Hints about how large buffers are backed by memory. One header, two
// implementations: platform/win32 and platform/posix.
#pragma once
#include <cstddef>

namespace platform {

// Asks the system to back the buffer with huge pages where it offers them
// for the asking, so that filling a song's worth of samples takes a few
// dozen page faults instead of tens of thousands. Only a hint: the buffer
// works the same either way, and nothing happens where it is not offered.
void preferHugePages(void* data, size_t bytes);

} // namespace platform
