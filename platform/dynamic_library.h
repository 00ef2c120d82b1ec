// Loading a shared library by absolute path, never along a search path.
#pragma once
#include <filesystem>

namespace platform {

// Null when the library cannot be loaded.
void* loadLibrary(const std::filesystem::path& path);
void* findSymbol(void* library, const char* name);
void freeLibrary(void* library);
// Whether the library at this path is currently mapped into the process.
bool isLibraryLoaded(const std::filesystem::path& path);
// File name of the ONNX Runtime library in the installation folder.
const char* runtimeLibraryName();

} // namespace platform
