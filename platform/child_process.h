// Starting a helper program with its standard streams redirected to files,
// and supervising it. One header, two implementations.
#pragma once
#include <mutex>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using NativeString = std::filesystem::path::string_type;

// Everything needed to start the child. The arguments reach it unchanged:
// Windows quotes them into one command line, POSIX passes the vector itself,
// with no shell in between on either.
struct ChildLaunch {
    std::filesystem::path program;
    std::vector<NativeString> arguments;  // arguments[0] is the program's name
    std::filesystem::path workingFolder;
    std::filesystem::path standardOutput;  // created anew
    std::filesystem::path standardError;   // created anew
};

enum class StartStatus { Started, FilesFailed, StartFailed };

// A started child (status Started) or why none was started. Standard input is
// the null device; the child runs at below-normal priority.
struct ChildProcess {
    StartStatus status = StartStatus::StartFailed;
    intptr_t id = 0;                 // process handle (Windows) or process id (POSIX)
    std::optional<int> exitCode;     // known once the child has been reaped
};

ChildProcess startChildProcess(const ChildLaunch& launch);

// Held while a file is open that no child may inherit: children start only
// while nobody holds it. A child is given its own three standard files and
// no other; this keeps it so even where the system would pass on every
// inheritable handle open at the child's start.
std::unique_lock<std::mutex> holdChildStarts();

// Waits up to timeoutMs for the child to end. True when it ended or the wait
// itself failed; false when the time ran out.
bool waitForChild(ChildProcess& child, uint32_t timeoutMs);

// Ends the child at once.
void terminateChild(ChildProcess& child, int exitCode);

// Waits up to timeoutMs more, releases the child and returns its exit code
// (1 when it cannot be read).
int finishChild(ChildProcess& child, uint32_t timeoutMs);

// Milliseconds of a clock that never goes back.
uint64_t monotonicMilliseconds();

// The file name of the program called `name` ("tool": "tool.exe" on Windows).
std::string executableName(std::string_view name);

} // namespace platform
