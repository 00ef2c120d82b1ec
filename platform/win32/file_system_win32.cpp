#include "platform/file_system.h"

#include <windows.h>

namespace platform {

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

uint32_t currentProcessId()
{
    return GetCurrentProcessId();
}

CreateFolderResult createFolder(const std::filesystem::path& folder)
{
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return CreateFolderResult::Created;
    return GetLastError() == ERROR_ALREADY_EXISTS ? CreateFolderResult::AlreadyExists : CreateFolderResult::Failed;
}

LocalTime localTimeNow()
{
    SYSTEMTIME now {};
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

} // namespace platform
