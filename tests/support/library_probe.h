// Whether a shared library is mapped into the test process, to prove that
// the engine unloads the runtime after each analysis.
#pragma once
#include <filesystem>

namespace testsupport {

bool isLibraryLoaded(const std::filesystem::path& path);

} // namespace testsupport
