#include "app/interactive_mode.h"

#include <cstdio>

int runInteractive(const std::vector<std::filesystem::path>&)
{
    std::fputs("La ventana forma parte de la version para Windows.\n", stderr);
    return 1;
}
