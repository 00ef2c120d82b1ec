// One run of the external decoder per song: 48 kHz stereo float to the
// program, 22 050 Hz mono float to "mono.f32" in the work folder.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

std::vector<float> decodeSong(const std::filesystem::path& songPath);
std::vector<float> readAnalysisAudio();
// Quotes one argument so that Windows argument splitting gives it back unchanged.
std::u16string quoteArgument(std::u16string_view text);
// Throws the free-space message unless bytes + 512 MiB are free for the user.
void ensureFreeSpace(const std::filesystem::path& folder, uint64_t bytes);
