// The console program's Windows entry point: UTF-16 arguments made UTF-8,
// UTF-8 console output, and Ctrl+C, Ctrl+Break and closing the console as a
// cancellation of the batch.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "base/cancel.h"
#include "base/utf.h"
#include "cli/console_program.h"

namespace {

// Set once the program has cleaned up; a closing console waits for it.
std::atomic<bool> finished{false};
// Windows ends the process soon after a close event's handler returns (about
// five seconds after the event); the clean-up must be done before then.
constexpr int kCloseWaitSteps = 90;
constexpr DWORD kCloseWaitStepMs = 50;

BOOL WINAPI onConsoleControl(DWORD event)
{
    cancelFlag.store(true);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        for (int step = 0; step < kCloseWaitSteps && !finished.load(); ++step)
            Sleep(kCloseWaitStepMs);
    }
    return TRUE;
}

// Bytes go out unchanged to a pipe or a file. A console is given the text
// as UTF-16: bytes written to it are read in its code page, one cell per
// byte where that is not UTF-8, so an accent would show as two signs and
// widen the bar past the line, which then wraps instead of being redrawn.
TextSink sinkTo(FILE* stream, HANDLE handle)
{
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        return [handle](std::string_view text) {
            const std::u16string wide = utf8ToUtf16(text);
            DWORD written = 0;
            WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        };
    }
    return [stream](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stream);
        std::fflush(stream);
    };
}

bool isConsole(HANDLE handle, int& columns)
{
    DWORD mode = 0;
    if (!GetConsoleMode(handle, &mode))
        return false;
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (GetConsoleScreenBufferInfo(handle, &info) && info.srWindow.Right > info.srWindow.Left)
        columns = info.srWindow.Right - info.srWindow.Left + 1;
    return true;
}

uint64_t availableMemory()
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? status.ullAvailPhys : 0;
}

std::vector<std::string> utf8Arguments(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    return args;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // Libraries load from the program's folder and System32 only.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    // The program writes UTF-8 bytes as they are: no code page, no CR LF
    // (consoles are written in UTF-16, see sinkTo).
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    Console console;
    console.out = sinkTo(stdout, GetStdHandle(STD_OUTPUT_HANDLE));
    console.err = sinkTo(stderr, GetStdHandle(STD_ERROR_HANDLE));
    console.errIsTerminal = isConsole(GetStdHandle(STD_ERROR_HANDLE), console.columns);
    console.cores = std::thread::hardware_concurrency();
    console.availableMemory = availableMemory();
    const int exitCode = runConsoleProgram(utf8Arguments(argc, argv), console);
    finished.store(true);
    return exitCode;
}
