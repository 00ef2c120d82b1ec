#include "render/package_folder.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "base/utf.h"

namespace {

// Keeps folder names well inside the 260-unit path limit of older Windows
// programs that may open the package.
constexpr size_t kStemUnits = 70;
constexpr int kLastSuffix = 99;

std::u16string cutStem(std::u16string stem)
{
    if (stem.size() <= kStemUnits)
        return stem;
    size_t keep = kStemUnits;
    // Never keep half of a surrogate pair: the name would not be valid text.
    const char16_t last = stem[keep - 1];
    if (last >= 0xD800 && last <= 0xDBFF)
        --keep;
    stem.resize(keep);
    return stem;
}

} // namespace

std::filesystem::path packageFolderName(const std::filesystem::path& songPath, const platform::LocalTime& time)
{
    const std::u16string stem = cutStem(pathToUtf16(songPath.stem()));
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "-%04u%02u%02u-%02u%02u%02u", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return pathFromUtf8(utf16ToUtf8(stem) + stamp);
}

std::filesystem::path createPackageFolder(const std::filesystem::path& outputFolder,
                                          const std::filesystem::path& name)
{
    const std::string base = pathToUtf8(name);
    for (int attempt = 0; attempt <= kLastSuffix; ++attempt) {
        std::string candidate = base;
        if (attempt > 0)
            candidate.append(1, '-').append(std::to_string(attempt));
        const std::filesystem::path folder = outputFolder / pathFromUtf8(candidate);
        switch (platform::createFolder(folder)) {
        case platform::CreateFolderResult::Created:
            return folder;
        case platform::CreateFolderResult::AlreadyExists:
            continue;
        case platform::CreateFolderResult::Failed:
            throw std::runtime_error(kNoPackageFolderMessage);
        }
    }
    throw std::runtime_error(kNoPackageFolderMessage);
}
