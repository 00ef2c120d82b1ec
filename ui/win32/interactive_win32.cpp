#include "app/interactive_mode.h"

int runInteractive(const std::vector<std::filesystem::path>&, Folders&)
{
    return 1;
}
