#include "app/interactive_mode.h"

int runInteractive(const std::vector<std::filesystem::path>&, Running&)
{
    return 1;
}
