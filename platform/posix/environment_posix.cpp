#include "platform/environment.h"

#include <cstdlib>

namespace platform {

bool setEnvironmentVariable(const char* name, const char* value)
{
    return ::setenv(name, value, 1) == 0;
}

} // namespace platform
