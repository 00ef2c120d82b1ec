#include "cli/package_staging.h"

#include <stdexcept>
#include <string>

#include "base/utf.h"
#include "platform/file_system.h"
#include "render/package_folder.h"

namespace {

constexpr int kLastSuffix = 99;

} // namespace

std::filesystem::path stagingFolder(const std::filesystem::path& outputFolder, size_t song)
{
    return outputFolder / (".tamrel-parcial-" + std::to_string(platform::currentProcessId()) + "-" +
                           std::to_string(song + 1));
}

std::filesystem::path movePackageIntoPlace(const std::filesystem::path& staged,
                                           const std::filesystem::path& outputFolder, std::mutex& moves)
{
    const std::lock_guard lock(moves);
    const std::string base = pathToUtf8(staged.filename());
    for (int attempt = 0; attempt <= kLastSuffix; ++attempt) {
        std::string candidate = base;
        if (attempt > 0)
            candidate.append(1, '-').append(std::to_string(attempt));
        const std::filesystem::path folder = outputFolder / pathFromUtf8(candidate);
        std::error_code error;
        // A rename onto an existing empty folder would succeed on POSIX and
        // take that folder's place, so a taken name is skipped first.
        if (std::filesystem::exists(folder, error) || error)
            continue;
        std::filesystem::rename(staged, folder, error);
        if (!error)
            return folder;
    }
    throw std::runtime_error(kNoPackageFolderMessage);
}
