// The process's own environment, for libraries that read it when they load.
#pragma once

namespace platform {

// Sets an environment variable of this process (ASCII name and value);
// false when the system refuses.
bool setEnvironmentVariable(const char* name, const char* value);

} // namespace platform
