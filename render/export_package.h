// The export package: five WAV files, "cortes.json", "LEEME.txt" and the
// analysis report in a new timestamped folder, removed again on any failure.
#pragma once
#include <filesystem>
#include <vector>

#include "analysis/analysis_model.h"
#include "app/cancel.h"

// Reads currentAnalysis for the report. Returns the package folder.
std::filesystem::path exportPackage(const std::vector<float>& songAudio, const Loop& cuts, double fadeSeconds,
                                    int repetitions, const std::filesystem::path& outputFolder,
                                    const std::filesystem::path& songPath);

// The same with the cancellation check supplied by the caller (exportPackage
// passes checkCancel); lets tests act at the points where the export polls.
std::filesystem::path exportPackageWithTick(const std::vector<float>& songAudio, const Loop& cuts, double fadeSeconds,
                                            int repetitions, const std::filesystem::path& outputFolder,
                                            const std::filesystem::path& songPath, const TickFn& tick);
