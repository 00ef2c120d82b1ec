#include "platform/file_system.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to)
{
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

uint32_t currentProcessId()
{
    return static_cast<uint32_t>(::getpid());
}

CreateFolderResult createFolder(const std::filesystem::path& folder)
{
    if (::mkdir(folder.c_str(), 0777) == 0)
        return CreateFolderResult::Created;
    return errno == EEXIST ? CreateFolderResult::AlreadyExists : CreateFolderResult::Failed;
}

LocalTime localTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return LocalTime{static_cast<unsigned>(local.tm_year + 1900), static_cast<unsigned>(local.tm_mon + 1),
                     static_cast<unsigned>(local.tm_mday),        static_cast<unsigned>(local.tm_hour),
                     static_cast<unsigned>(local.tm_min),         static_cast<unsigned>(local.tm_sec)};
}

} // namespace platform
