// Loading a shared library by absolute path, never along a search path.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Null when the library cannot be loaded.
void* loadLibrary(const std::filesystem::path& path);
void* findSymbol(void* library, const char* name);
void freeLibrary(void* library);
// The file name of the shared library called `name` with this major version
// ("lib": "lib.dll" on Windows, "liblib.so.1" on POSIX).
std::string sharedLibraryName(std::string_view name, int majorVersion);

} // namespace platform
