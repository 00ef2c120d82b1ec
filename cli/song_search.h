// The songs a command line names: files as given, folders searched with
// their subfolders for the eight formats the program opens.
#pragma once
#include <filesystem>
#include <vector>

// True for the eight formats, whatever the case of the extension.
bool isSongFile(const std::filesystem::path& path);

// Each input that is a folder becomes its songs in path order; any other
// input stays as it is (a missing or unreadable file fails as a song, with
// the message the window would give). A song named twice is kept once.
std::vector<std::filesystem::path> findSongs(const std::vector<std::filesystem::path>& inputs);
