// The two text files of an export package besides the analysis report:
// "cortes.json" (cut settings, LF) and "LEEME.txt" (read-me, CR LF).
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/analysis_model.h"
#include "render/render_plan.h"

// A file name as a JSON string body: control bytes become blanks, quote and
// backslash are escaped, every other byte (UTF-8 included) is copied.
std::string escapeFileName(std::string_view utf8);

// The 19-line "cortes.json". Seconds come from the cut record as stored,
// frames from the prepared plan; the engine line names the family of the
// model that made the analysis.
// With a target duration the file gains two keys after "audition":
// "targetSec" and "fadeOutMs" (0 unless the montage ends exactly at it).
struct TargetKeys {
    double targetSec = 0;
    double fadeOutMs = 0;
};
std::string cutSettingsJson(const std::filesystem::path& songPath, const Loop& cuts, const RenderPlan& plan,
                            double fadeSeconds, int repetitions, uint64_t montageFrames, BeatModelKind model,
                            const std::optional<TargetKeys>& target = std::nullopt);

std::string readMeText();
