#include "support/library_probe.h"

#include <dlfcn.h>

namespace testsupport {

bool isLibraryLoaded(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    void* handle = dlopen((error ? path : absolute).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);  // drops the reference RTLD_NOLOAD just took
    return true;
}

} // namespace testsupport
