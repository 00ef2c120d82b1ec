// The whole analysis of one song, from decoded audio to a complete Analysis.
#pragma once
#include <filesystem>
#include <span>

#include "analysis/analysis_model.h"
#include "base/cancel.h"

Analysis analyseSong(std::span<const float> stereoAudio, std::span<const float> monoAudio,
                     const std::filesystem::path& installFolder, const TickFn& tick, const ProgressFn& progress);
