#include "platform/child_process.h"

#include <windows.h>

#include <mutex>
#include <vector>

#include "platform/win32/argument_quoting.h"

namespace platform {
namespace {

// Time granted to the helpers of a child that just ended (a console host, for
// one) to let go of the files it was given, before a new run replaces them.
constexpr int kSharingRetries = 40;
constexpr DWORD kSharingRetryMs = 50;

HANDLE openInheritable(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD attributes)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE handle = CreateFileW(path, access, share, &inherit, disposition, attributes, nullptr);
    for (int retry = 0; handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION &&
                        retry < kSharingRetries; ++retry) {
        Sleep(kSharingRetryMs);
        handle = CreateFileW(path, access, share, &inherit, disposition, attributes, nullptr);
    }
    return handle;
}

void closeAll(std::initializer_list<HANDLE> handles)
{
    for (HANDLE handle : handles)
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

HANDLE processHandle(const ChildProcess& child)
{
    return reinterpret_cast<HANDLE>(child.id);
}

// The child is given exactly its three standard handles. Without the list
// it would inherit every inheritable handle open in the program at that
// moment, from any thread: the C runtime opens files inheritable, so a WAV
// being exported, a cache entry being written or a song being fingerprinted
// in another job would stay open in the decoder until it ended, and the
// package's folder could then be neither renamed nor removed.
struct InheritedHandles {
    std::vector<char> storage;
    LPPROC_THREAD_ATTRIBUTE_LIST list = nullptr;
    HANDLE handles[3] = {};
};

bool listHandles(InheritedHandles& inherited, HANDLE input, HANDLE output, HANDLE error)
{
    inherited.handles[0] = input;
    inherited.handles[1] = output;
    inherited.handles[2] = error;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    inherited.storage.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(inherited.storage.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size))
        return false;
    inherited.list = list;
    return UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.handles,
                                     sizeof inherited.handles, nullptr, nullptr) != FALSE;
}

void releaseList(InheritedHandles& inherited)
{
    if (inherited.list)
        DeleteProcThreadAttributeList(inherited.list);
    inherited.list = nullptr;
}

} // namespace

std::unique_lock<std::mutex> holdChildStarts()
{
    static std::mutex starting;
    return std::unique_lock<std::mutex>(starting);
}

ChildProcess startChildProcess(const ChildLaunch& launch)
{
    // One start at a time as well, from opening the files to closing them
    // here: a system that ignored the handle list would still give each
    // child only its own three.
    const std::unique_lock<std::mutex> lock = holdChildStarts();
    ChildProcess child;
    const HANDLE output = openInheritable(launch.standardOutput.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY);
    const HANDLE error = openInheritable(launch.standardError.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY);
    const HANDLE input = openInheritable(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL);
    if (output == INVALID_HANDLE_VALUE || error == INVALID_HANDLE_VALUE || input == INVALID_HANDLE_VALUE) {
        closeAll({output, error, input});
        child.status = StartStatus::FilesFailed;
        return child;
    }
    InheritedHandles inherited;
    if (!listHandles(inherited, input, output, error)) {
        releaseList(inherited);
        closeAll({output, error, input});
        return child;
    }
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input;
    startup.StartupInfo.hStdOutput = output;
    startup.StartupInfo.hStdError = error;
    startup.lpAttributeList = inherited.list;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = joinCommandLine(launch.arguments);  // CreateProcessW may write into it
    // No console at all rather than a hidden one: a console host would be
    // started beside the child, inherit the redirected files and may hold them
    // after the child has ended, so the next run could neither replace nor
    // delete them. With its standard handles redirected the child needs none.
    const BOOL started =
        CreateProcessW(launch.program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       DETACHED_PROCESS | BELOW_NORMAL_PRIORITY_CLASS | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                       launch.workingFolder.c_str(), &startup.StartupInfo, &process);
    releaseList(inherited);
    closeAll({output, error, input});
    if (!started) return child;
    CloseHandle(process.hThread);
    child.status = StartStatus::Started;
    child.id = reinterpret_cast<intptr_t>(process.hProcess);
    return child;
}

bool waitForChild(ChildProcess& child, uint32_t timeoutMs)
{
    return WaitForSingleObject(processHandle(child), timeoutMs) != WAIT_TIMEOUT;
}

void terminateChild(ChildProcess& child, int exitCode)
{
    TerminateProcess(processHandle(child), static_cast<UINT>(exitCode));
}

int finishChild(ChildProcess& child, uint32_t timeoutMs)
{
    const HANDLE process = processHandle(child);
    if (WaitForSingleObject(process, timeoutMs) == WAIT_TIMEOUT) {
        // Never leave a child behind: it would keep writing into the work folder.
        TerminateProcess(process, 1);
        WaitForSingleObject(process, timeoutMs);
    }
    DWORD code = 1;
    if (!GetExitCodeProcess(process, &code)) code = 1;
    CloseHandle(process);
    child.id = 0;
    child.exitCode = static_cast<int>(code);
    return static_cast<int>(code);
}

uint64_t monotonicMilliseconds()
{
    return GetTickCount64();
}

std::string executableName(std::string_view name)
{
    return std::string(name) + ".exe";
}

} // namespace platform
