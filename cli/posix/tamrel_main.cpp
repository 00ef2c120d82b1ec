// The console program's native entry point: UTF-8 (or any byte) arguments as
// they come, Ctrl+C and termination as a cancellation of the batch.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/cancel.h"
#include "cli/console_program.h"

namespace {

void onInterrupt(int)
{
    // Only a lock-free atomic store: the jobs see it at their next cancellation point.
    cancelFlag.store(true);
}

void cancelOnSignals()
{
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

TextSink sinkTo(FILE* stream)
{
    return [stream](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stream);
        std::fflush(stream);
    };
}

int terminalColumns()
{
    winsize size = {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// MemAvailable of /proc/meminfo: free memory plus what the system can drop.
uint64_t availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string key;
        uint64_t kilobytes = 0;
        if (fields >> key >> kilobytes && key == "MemAvailable:")
            return kilobytes * 1024;
    }
    return static_cast<uint64_t>(sysconf(_SC_AVPHYS_PAGES)) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

} // namespace

int main(int argc, char** argv)
{
    cancelOnSignals();
    Console console;
    console.out = sinkTo(stdout);
    console.err = sinkTo(stderr);
    console.errIsTerminal = isatty(STDERR_FILENO) == 1;
    console.columns = terminalColumns();
    console.cores = std::thread::hardware_concurrency();
    console.availableMemory = availableMemory();
    return runConsoleProgram(std::vector<std::string>(argv, argv + argc), console);
}
