#include "app/program.h"

#include "app/interactive_mode.h"
#include "app/settings.h"
#include "app/verification_run.h"

namespace {

int runMode(const std::vector<std::filesystem::path>& args)
{
    if (chooseMode(args) == RunMode::Verification)
        return runVerification(args[2], args[3]);
    return runInteractive(args);
}

} // namespace

int runProgram(const std::function<std::vector<std::filesystem::path>()>& splitCommandLine)
{
    int exitCode = 1;
    // A failure that reaches this point is silent: no window exists to show it.
    try {
        loadSettings();
        std::vector<std::filesystem::path> args = splitCommandLine();
        exitCode = runMode(args);
    } catch (...) {
        exitCode = 1;
    }
    // No job thread and no playback exist yet when a mode returns here; the
    // work folder is all that is left to clear.
    removeWorkFolder();
    return exitCode;
}
