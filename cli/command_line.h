// The console program's command line: "analizar" or "exportar", the songs and
// folders to work on, and the export's choices.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "render/duration_target.h"

enum class CliCommand { Analyse, Export };

// What to export from each song: a candidate by rank, or A/B/O by hand.
struct ExportChoice {
    int rank = 1;                      // 1 is the best candidate
    std::optional<double> start;       // A, B and O by hand come together
    std::optional<double> end;
    std::optional<double> outro;
    double fadeSeconds = 0.06;
    int repetitions = 2;
    // A target montage duration chooses the repetitions itself.
    std::optional<DurationTarget> target;
};

struct CliRequest {
    CliCommand command = CliCommand::Analyse;
    std::vector<std::string> inputs;   // songs or folders, UTF-8 (POSIX: the bytes given)
    std::string outputFolder;          // empty: the window's output folder
    ExportChoice choice;
    int jobs = 0;                      // 0: as many as cores and memory allow
    bool quiet = false;
};

// The parse ends in a request, or in a text to print and an exit code
// (help and version: stdout, 0; usage errors: stderr, 2).
struct CliParse {
    std::optional<CliRequest> request;
    std::string text;
    int exitCode = 0;
};

// args[0] is the program's name; every argument is UTF-8.
CliParse parseCommandLine(const std::vector<std::string>& args, const std::string& version);
