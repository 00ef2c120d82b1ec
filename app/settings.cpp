#include "app/settings.h"

#include <fstream>
#include <stdexcept>

#include "base/utf.h"
#include "platform/ini_file.h"
#include "platform/known_folders.h"

namespace {

constexpr std::u16string_view kSection = u"Preferences";
constexpr std::u16string_view kOutputKey = u"Output";

std::u16string toUtf16(const std::filesystem::path& path) { return utf8ToUtf16(pathToUtf8(path)); }
std::filesystem::path fromUtf16(const std::u16string& text) { return pathFromUtf8(utf16ToUtf8(text)); }

} // namespace

void loadSettings(Folders& folders)
{
    folders.workFolder = platform::createUniqueWorkFolder();

    const auto appData = platform::localAppDataFolder();
    if (!appData)
        throw std::runtime_error("No se encontro la carpeta de usuario.");
    const std::filesystem::path dataFolder = *appData / "Tamrel" / "Orvane";
    folders.settingsFile = dataFolder / "settings.ini";
    const std::filesystem::path& settingsFile = folders.settingsFile;
    std::filesystem::create_directories(dataFolder);

    const std::filesystem::path defaultOutput = platform::musicFolder().value_or(dataFolder) / "Tamrel Loops";

    // The byte-order mark makes every later write store UTF-16 text.
    if (!std::filesystem::exists(settingsFile))
        std::ofstream(settingsFile, std::ios::binary).write("\xFF\xFE", 2);

    folders.outputFolder = fromUtf16(platform::readIniString(settingsFile, kSection, kOutputKey, toUtf16(defaultOutput)));
}

std::filesystem::path installFolder()
{
    const auto executable = platform::executablePath();
    if (!executable)
        throw std::runtime_error("Ruta de instalacion demasiado larga.");
    return executable->parent_path();
}

std::filesystem::path settingsFolder(const Folders& folders)
{
    return folders.settingsFile.parent_path();
}

void storeOutputFolder(Folders& folders, const std::filesystem::path& folder)
{
    folders.outputFolder = folder;
    platform::writeIniString(folders.settingsFile, kSection, kOutputKey, toUtf16(folder));
}
