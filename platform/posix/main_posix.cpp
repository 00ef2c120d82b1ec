#include "app/program.h"

int main(int argc, char** argv)
{
    return runProgram([argc, argv] { return std::vector<std::filesystem::path>(argv, argv + argc); });
}
