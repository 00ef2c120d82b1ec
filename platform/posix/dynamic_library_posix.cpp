#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace platform {

namespace {

// A name without a slash would make dlopen search the library path.
std::filesystem::path absolutePath(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute;
}

} // namespace

void* loadLibrary(const std::filesystem::path& path)
{
    return dlopen(absolutePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* findSymbol(void* library, const char* name)
{
    return library ? dlsym(library, name) : nullptr;
}

void freeLibrary(void* library)
{
    if (library)
        dlclose(library);
}

std::string sharedLibraryName(std::string_view name, int majorVersion)
{
    return "lib" + std::string(name) + ".so." + std::to_string(majorVersion);
}

} // namespace platform
