// The export package: five WAV files, "cortes.json", "LEEME.txt" and the
// analysis report in a new timestamped folder, removed again on any failure.
#pragma once
#include <filesystem>
#include <optional>
#include <vector>

#include "analysis/analysis_model.h"
#include "base/cancel.h"
#include "render/duration_target.h"

// The analysis is the one the report describes; the cuts need not be one of
// its candidates. The tick is polled throughout (jobs pass checkCancel).
// A target duration chooses the repetitions itself (the given count is then
// not used) and, when exact, ends the outro at the target. Returns the
// package folder.
std::filesystem::path exportPackage(const std::vector<float>& songAudio, const Analysis& analysis, const Loop& cuts,
                                    double fadeSeconds, int repetitions, const std::filesystem::path& outputFolder,
                                    const std::filesystem::path& songPath, const TickFn& tick = checkCancel,
                                    const std::optional<DurationTarget>& target = std::nullopt);
