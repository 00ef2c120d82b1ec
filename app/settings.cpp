#include "app/settings.h"

#include <stdexcept>

#include "base/utf.h"
#include "platform/ini_file.h"
#include "platform/known_folders.h"

namespace {

constexpr std::u16string_view kSection = u"Preferences";
constexpr std::u16string_view kOutputKey = u"Output";

} // namespace

void loadSettings(Folders& folders)
{
    const auto workFolder = platform::createUniqueTemporaryFolder("TMV");
    if (!workFolder)
        throw std::runtime_error("No se puede crear espacio temporal.");
    folders.workFolder = *workFolder;

    const auto appData = platform::localAppDataFolder();
    if (!appData)
        throw std::runtime_error("No se encontro la carpeta de usuario.");
    const std::filesystem::path dataFolder = *appData / "Tamrel" / "Orvane";
    folders.settingsFile = dataFolder / "settings.ini";
    const std::filesystem::path& settingsFile = folders.settingsFile;
    std::filesystem::create_directories(dataFolder);

    const std::filesystem::path defaultOutput = platform::musicFolder().value_or(dataFolder) / "Tamrel Loops";

    if (!std::filesystem::exists(settingsFile))
        platform::startUtf16IniFile(settingsFile);

    folders.outputFolder = pathFromUtf16(platform::readIniString(settingsFile, kSection, kOutputKey, pathToUtf16(defaultOutput)));
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
    platform::writeIniString(folders.settingsFile, kSection, kOutputKey, pathToUtf16(folder));
}
