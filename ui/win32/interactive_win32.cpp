#include "app/interactive_mode.h"

#include <exception>

#include "app/window_texts.h"
#include "ui/win32/commands.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/main_window.h"
#include "ui/win32/widgets.h"

int runInteractive(const std::vector<std::filesystem::path>& args, Running& running)
{
    int exitCode = 0;
    std::unique_ptr<WindowState> window;
    try {
        window = startWindow(running, systemSeams(), SW_SHOWDEFAULT);
        if (args.size() == 2 && std::filesystem::exists(args[1]))
            openSong(*window, args[1]);
        runMessageLoop(*window);
    } catch (const std::exception& e) {
        HWND main = window ? window->widgets.main : nullptr;
        if (main && IsWindow(main))
            MessageBoxW(main, toWide(std::string_view(e.what())).c_str(),
                        toWide(std::string_view(kProgramTitleText)).c_str(), MB_ICONERROR);
        exitCode = 1;
    }
    endWindow(std::move(window), running);
    return exitCode;
}
