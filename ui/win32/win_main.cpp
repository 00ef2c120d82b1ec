#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "app/program.h"

namespace {

std::vector<std::filesystem::path> splitCommandLine()
{
    int count = 0;
    LPWSTR* raw = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::filesystem::path> args;
    if (raw != nullptr)
        args.assign(raw, raw + count);
    LocalFree(raw);
    return args;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // Libraries load from the program's folder and System32 only.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    const int exitCode = runProgram(splitCommandLine);
    CoUninitialize();
    return exitCode;
}
