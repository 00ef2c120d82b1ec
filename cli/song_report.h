// The line "tamrel analizar" writes for one analysed song: one JSON object,
// no line break inside it.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "analysis/analysis_model.h"

// songFrames is the decoded song's length in 48 kHz frames. Names the
// candidates by rank (1 is the best) with A, B and O in seconds and frames.
// A path that is not valid UTF-8 is written with U+FFFD in its place.
std::string songReportLine(const std::filesystem::path& songPath, uint64_t songFrames, const Analysis& analysis);
