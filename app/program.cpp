#include "app/program.h"

#include "app/interactive_mode.h"
#include "app/settings.h"
#include "app/verification_run.h"

namespace {

int runMode(const std::vector<std::filesystem::path>& args, Folders& folders)
{
    if (chooseMode(args) == RunMode::Verification)
        return runVerification(args[2], args[3], folders);
    return runInteractive(args, folders);
}

} // namespace

int runProgram(const std::function<std::vector<std::filesystem::path>()>& splitCommandLine)
{
    int exitCode = 1;
    Folders folders;
    // A failure that reaches this point is silent: no window exists to show it.
    try {
        loadSettings(folders);
        std::vector<std::filesystem::path> args = splitCommandLine();
        exitCode = runMode(args, folders);
    } catch (...) {
        exitCode = 1;
    }
    // The window joins its job and stops its playback before it returns; the
    // work folder is all that is left to clear.
    removeWorkFolder(folders.workFolder);
    return exitCode;
}
