// The on-disk analysis cache: one validated file per song fingerprint.
#pragma once
#include <filesystem>
#include <vector>

#include "analysis/analysis_model.h"

// True only when the file passes every check; out is untouched otherwise. Never throws.
bool readCachedAnalysis(const std::filesystem::path& file, const std::vector<float>& songAudio, Analysis& out);
// Best effort and atomic; never throws.
void writeCachedAnalysis(const std::filesystem::path& file, const std::vector<float>& songAudio,
                         const Analysis& analysis);
