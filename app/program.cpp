#include "app/program.h"

#include "app/interactive_mode.h"
#include "app/settings.h"
#include "app/verification_run.h"

namespace {

int runMode(const std::vector<std::filesystem::path>& args, Running& running)
{
    if (chooseMode(args) == RunMode::Verification)
        return runVerification(args[2], args[3], running.folders);
    return runInteractive(args, running);
}

} // namespace

int runProgram(const std::function<std::vector<std::filesystem::path>()>& splitCommandLine)
{
    int exitCode = 1;
    Running running;
    // A failure that reaches this point is silent: no window exists to show it.
    try {
        loadSettings(running.folders);
        std::vector<std::filesystem::path> args = splitCommandLine();
        exitCode = runMode(args, running);
    } catch (...) {
        exitCode = 1;
    }
    shutdown(running);
    return exitCode;
}
