// The console program "tamrel" from start-up to shutdown, shared by the
// entry points of both platforms, which say what the console is like.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/progress_display.h"

struct Console {
    TextSink out;                 // standard output: results only
    TextSink err;                 // standard error: progress and messages
    bool errIsTerminal = false;   // draw a bar rather than lines
    int columns = 80;
    unsigned cores = 1;
    uint64_t availableMemory = 0;
};

// args are UTF-8, args[0] the program's name. Returns the exit code: 0 when
// every song succeeded, 1 when any failed or the run was cancelled, 2 for a
// usage error (nothing is read or written then).
int runConsoleProgram(const std::vector<std::string>& args, const Console& console);
