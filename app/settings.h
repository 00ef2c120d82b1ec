// The program's folders and its one-key settings file.
#pragma once
#include <filesystem>
#include <string>

// Made once at start-up and held by the entry point for the whole run.
struct Folders {
    std::filesystem::path workFolder;    // private temporary folder of this run
    std::filesystem::path settingsFile;  // per-user data folder / "settings.ini"
    std::filesystem::path outputFolder;  // where export packages are created
};

// Creates the work folder and settings file and reads the output folder.
// Fills folders as it goes, so that a failure half-way still leaves the work
// folder's name for the shutdown to remove.
void loadSettings(Folders& folders);
// The folder holding the running executable (decoder, runtime, model).
std::filesystem::path installFolder();
// The per-user data folder: settings file and analysis cache.
std::filesystem::path settingsFolder(const Folders& folders);
void storeOutputFolder(Folders& folders, const std::filesystem::path& folder);
