#include "cli/song_report.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "base/audio_constants.h"
#include "base/utf.h"

namespace {

// The frame rule of the export: seconds to frames, halves away from zero.
int64_t framesOf(double seconds)
{
    return std::llround(seconds * kSongFrameRate);
}

nlohmann::ordered_json candidate(const Loop& loop, int rank)
{
    return {{"rank", rank},
            {"start", loop.start},
            {"end", loop.end},
            {"outro", loop.outro},
            {"startFrame", framesOf(loop.start)},
            {"endFrame", framesOf(loop.end)},
            {"outroFrame", framesOf(loop.outro)},
            {"bars", loop.bars},
            {"length", loop.end - loop.start},
            {"score", loop.score}};
}

} // namespace

std::string songReportLine(const std::filesystem::path& songPath, uint64_t songFrames, const Analysis& analysis)
{
    nlohmann::ordered_json loops = nlohmann::ordered_json::array();
    for (size_t i = 0; i < analysis.loops.size(); ++i)
        loops.push_back(candidate(analysis.loops[i], static_cast<int>(i + 1)));
    const nlohmann::ordered_json line = {
        {"path", pathToUtf8(songPath)},
        {"duration", static_cast<double>(songFrames) / kSongFrameRate},
        {"frames", songFrames},
        {"bpm", analysis.bpm},
        {"bpmLow", analysis.bpmLow},
        {"bpmHigh", analysis.bpmHigh},
        {"meter", analysis.meter},
        {"confidence", analysis.confidence},
        {"engine", analysis.engine},
        {"loops", loops},
    };
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
