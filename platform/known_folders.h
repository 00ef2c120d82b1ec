// Where the program finds itself and the user's folders, and the private
// temporary folder of one run. One header, two implementations.
#pragma once
#include <filesystem>
#include <optional>
#include <string_view>

namespace platform {

// The user's per-user application data folder (not yet ours: callers append
// "Tamrel" / "Orvane"); empty when the system has none.
std::optional<std::filesystem::path> localAppDataFolder();

// The user's Music folder, created when missing; empty when it cannot be had.
std::optional<std::filesystem::path> musicFolder();

// Creates a new, empty, uniquely named folder "<prefix><hex>.tmp" in the
// user's temporary folder (Windows keeps only the prefix's first three
// characters). Empty when no unique name can be reserved; other failures
// pass through as std::filesystem::filesystem_error.
std::optional<std::filesystem::path> createUniqueTemporaryFolder(std::string_view prefix);

// Full path of the running executable; empty when it is unknown or longer
// than 32767 characters.
std::optional<std::filesystem::path> executablePath();

} // namespace platform
