// The program from start-up to shutdown, shared by every platform's entry point.
#pragma once
#include <filesystem>
#include <functional>
#include <vector>

#include "app/running.h"

enum class RunMode { Verification, Interactive };

// Exactly "program --verify song folder" is a verification run; anything else opens the window.
RunMode chooseMode(const std::vector<std::filesystem::path>& args);

// Start-up (settings and folders), then the command line is split and the
// chosen mode runs, then the common shutdown. Returns the exit code, 0 or 1.
int runProgram(const std::function<std::vector<std::filesystem::path>()>& splitCommandLine);
