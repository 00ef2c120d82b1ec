#include "platform/dynamic_library.h"

#include <windows.h>

namespace platform {

namespace {

// LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR only accepts a fully qualified path.
std::filesystem::path absolutePath(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute;
}

} // namespace

// The library's own dependencies are looked up beside it and in the system
// folder only, never along PATH or in the current folder.
void* loadLibrary(const std::filesystem::path& path)
{
    return LoadLibraryExW(absolutePath(path).c_str(), nullptr,
                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* findSymbol(void* library, const char* name)
{
    if (!library)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void freeLibrary(void* library)
{
    if (library)
        FreeLibrary(static_cast<HMODULE>(library));
}

// Windows libraries carry no version in their file name.
std::string sharedLibraryName(std::string_view name, int)
{
    return std::string(name) + ".dll";
}

} // namespace platform
