// The window with its message loop; the Windows build's user interface.
#pragma once
#include <filesystem>
#include <vector>

#include "app/program.h"

// Opens the song of a two-argument command line at start. Returns the exit code.
int runInteractive(const std::vector<std::filesystem::path>& args, Running& running);
