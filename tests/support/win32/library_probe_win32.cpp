#include "support/library_probe.h"

#include <windows.h>

namespace testsupport {

bool isLibraryLoaded(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return GetModuleHandleW((error ? path : absolute).c_str()) != nullptr;
}

} // namespace testsupport
