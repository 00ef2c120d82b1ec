#include "app/program.h"

RunMode chooseMode(const std::vector<std::filesystem::path>& args)
{
    // Compared as the exact native string: no case folding, no path normalisation.
    static const std::filesystem::path verifySwitch("--verify");
    if (args.size() == 4 && args[1].native() == verifySwitch.native())
        return RunMode::Verification;
    return RunMode::Interactive;
}
