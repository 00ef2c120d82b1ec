// A package folder appears in the output folder complete or not at all: it
// is written into a hidden staging folder beside the packages and moved into
// place in one rename once every file is there.
#pragma once
#include <filesystem>
#include <functional>
#include <mutex>

// The staging folder of one song's export inside the output folder.
std::filesystem::path stagingFolder(const std::filesystem::path& outputFolder, size_t song);

// Moves a finished package from its staging folder to the output folder
// under its own name, or its name + "-1" ... "-99" when that is taken (so no
// export overwrites an earlier one); returns where it went. moves serialises
// the batch's moves. Throws the package folder message when no name is free.
std::filesystem::path movePackageIntoPlace(const std::filesystem::path& staged,
                                           const std::filesystem::path& outputFolder, std::mutex& moves);
