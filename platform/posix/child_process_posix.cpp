#include "platform/child_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

// Below the program's own priority, as the Windows build's below-normal class.
constexpr int kNiceIncrement = 5;
// Granularity of a wait: a child that ends is noticed within this time.
constexpr uint32_t kPollStepMs = 2;

int openOutput(const std::filesystem::path& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}

void closeAll(std::initializer_list<int> fds)
{
    for (int fd : fds)
        if (fd >= 0) ::close(fd);
}

// Records the exit code once the child is gone; true when it is.
bool reap(ChildProcess& child, int options)
{
    if (child.exitCode) return true;
    int status = 0;
    pid_t result;
    do result = ::waitpid(static_cast<pid_t>(child.id), &status, options);
    while (result < 0 && errno == EINTR);
    if (result == 0) return false;
    if (result < 0) child.exitCode = 1;  // not our child any more: nothing left to wait for
    else child.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    return true;
}

} // namespace

std::unique_lock<std::mutex> holdChildStarts()
{
    // Files opened here are close-on-exec where it matters; the lock only
    // keeps both systems alike.
    static std::mutex starting;
    return std::unique_lock<std::mutex>(starting);
}

ChildProcess startChildProcess(const ChildLaunch& launch)
{
    ChildProcess child;
    const int output = openOutput(launch.standardOutput);
    const int error = openOutput(launch.standardError);
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int report[2] = {-1, -1};
    if (output < 0 || error < 0 || input < 0) {
        closeAll({output, error, input});
        child.status = StartStatus::FilesFailed;
        return child;
    }
    // Everything the child needs is prepared here: after fork only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv;
    for (const NativeString& argument : launch.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const char* program = launch.program.c_str();
    const char* folder = launch.workingFolder.c_str();

    if (::pipe2(report, O_CLOEXEC) != 0) {
        closeAll({output, error, input});
        return child;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The report pipe closes on a successful exec; otherwise it carries errno.
        if (::dup2(input, 0) >= 0 && ::dup2(output, 1) >= 0 && ::dup2(error, 2) >= 0 && ::chdir(folder) == 0) {
            // Files other threads opened without close-on-exec stay with us.
            const unsigned keep = static_cast<unsigned>(report[1]);
            if (keep > 3) ::close_range(3, keep - 1, 0);
            ::close_range(keep + 1, ~0U, 0);
            ::setpriority(PRIO_PROCESS, 0, ::getpriority(PRIO_PROCESS, 0) + kNiceIncrement);
            ::execv(program, argv.data());
        }
        const int failure = errno;
        [[maybe_unused]] ssize_t ignored = ::write(report[1], &failure, sizeof failure);
        ::_exit(127);
    }
    closeAll({output, error, input, report[1]});
    if (pid < 0) {
        ::close(report[0]);
        return child;
    }
    int failure = 0;
    ssize_t got;
    do got = ::read(report[0], &failure, sizeof failure);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    child.id = pid;
    if (got > 0) {
        reap(child, 0);
        return child;  // StartFailed
    }
    child.status = StartStatus::Started;
    return child;
}

bool waitForChild(ChildProcess& child, uint32_t timeoutMs)
{
    const uint64_t deadline = monotonicMilliseconds() + timeoutMs;
    while (!reap(child, WNOHANG)) {
        const uint64_t now = monotonicMilliseconds();
        if (now >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint64_t>(kPollStepMs, deadline - now)));
    }
    return true;
}

void terminateChild(ChildProcess& child, int)
{
    if (!child.exitCode) ::kill(static_cast<pid_t>(child.id), SIGKILL);
}

int finishChild(ChildProcess& child, uint32_t timeoutMs)
{
    if (!waitForChild(child, timeoutMs)) {
        // Never leave a child behind: it would keep writing into the work folder.
        ::kill(static_cast<pid_t>(child.id), SIGKILL);
        reap(child, 0);
        return 1;
    }
    return *child.exitCode;
}

uint64_t monotonicMilliseconds()
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

std::string executableName(std::string_view name)
{
    return std::string(name);
}

} // namespace platform
