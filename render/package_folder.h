// Naming and creating the timestamped package folder of an export, so that
// no export ever overwrites an earlier one.
#pragma once
#include <filesystem>

#include "platform/file_system.h"

inline constexpr const char* kNoPackageFolderMessage =
    "No se puede crear una carpeta de salida. Elige una carpeta con permisos de escritura.";

// The song's stem cut to 70 UTF-16 units, then "-YYYYMMDD-HHMMSS".
std::filesystem::path packageFolderName(const std::filesystem::path& songPath, const platform::LocalTime& time);

// Creates outputFolder / name, or name + "-1" ... "-99" when taken; returns
// the folder created. Throws kNoPackageFolderMessage.
std::filesystem::path createPackageFolder(const std::filesystem::path& outputFolder,
                                          const std::filesystem::path& name);
