// The program's folders and its one-key settings file.
#pragma once
#include <filesystem>
#include <string>

extern std::filesystem::path workFolder;    // private temporary folder of this run
extern std::filesystem::path settingsFile;  // per-user data folder / "settings.ini"
extern std::filesystem::path outputFolder;  // where export packages are created

// Creates the work folder and settings file and reads the output folder.
void loadSettings();
// The folder holding the running executable (decoder, runtime, model).
std::filesystem::path installFolder();
void storeOutputFolder(const std::filesystem::path& folder);
// Value of key in section "Orvane" of an INI file, empty when absent.
std::u16string readIniValue(const std::filesystem::path& iniFile, const std::u16string& key);
