#include "app/interactive_mode.h"

#include <exception>

#include "base/utf.h"
#include "ui/win32/commands.h"
#include "ui/win32/main_window.h"

int runInteractive(const std::vector<std::filesystem::path>& args, Running& running)
{
    int exitCode = 0;
    try {
        startWindow(running, systemSeams(), SW_SHOWDEFAULT);
        if (args.size() == 2 && std::filesystem::exists(args[1]))
            openSong(args[1]);
        runMessageLoop();
    } catch (const std::exception& e) {
        if (ui().main && IsWindow(ui().main))
            MessageBoxW(ui().main, toWide(std::string(e.what())).c_str(), kProgramTitle, MB_ICONERROR);
        exitCode = 1;
    }
    endWindow(running);
    return exitCode;
}
