// "06-bucle-juego.ogg": the frames of "06-bucle-juego.wav" (start, then one
// pass of the loop) as Ogg Vorbis, 48 kHz stereo at quality 6, with the
// comments LOOPSTART and LOOPLENGTH (frames, decimal) that game engines read.
// Its last granule position is the exact frame count, so decoders stop on
// the loop's last frame.
#pragma once
#include <filesystem>

#include "base/cancel.h"
#include "render/render_plan.h"

void writeGameLoopOgg(const std::filesystem::path& path, const RenderPlan& plan, const TickFn& tick);
