#include "render/loop_markers.h"


#include "base/audio_constants.h"
#include "base/number_format.h"

namespace {

// Fixed notation whatever the regional settings say: editors read a point.
std::string seconds(int64_t frame)
{
    return fixedPoint(static_cast<double>(frame) / kSongFrameRate, 6);
}

std::string label(int64_t from, int64_t to, const char* text)
{
    return seconds(from) + '\t' + seconds(to) + '\t' + text + '\n';
}

} // namespace

std::string loopMarkers(int64_t startFrame, int64_t endFrame, int64_t outroFrame)
{
    return label(startFrame, endFrame, "bucle") + label(startFrame, startFrame, "inicio del bucle") +
           label(endFrame, endFrame, "fin del bucle") + label(outroFrame, outroFrame, "final");
}
