// The headless pipeline: decode, analyse, export the best loop, report.
#pragma once
#include <filesystem>

#include "app/settings.h"

// Returns the exit code: 0 on success, 1 on any failure. Prints nothing.
int runVerification(const std::filesystem::path& songPath, const std::filesystem::path& outputFolder,
                    const Folders& folders);
