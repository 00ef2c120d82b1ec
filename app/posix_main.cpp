// The native entry point: the same start-up, mode choice and shutdown as the
// Windows program. Its interactive mode only says where the window lives.
#include <cstdio>

#include "app/interactive_mode.h"
#include "app/program.h"

int runInteractive(const std::vector<std::filesystem::path>&, Running&)
{
    std::fputs("La ventana forma parte de la version para Windows.\n", stderr);
    return 1;
}

int main(int argc, char** argv)
{
    return runProgram([argc, argv] { return std::vector<std::filesystem::path>(argv, argv + argc); });
}
