// "06-bucle-juego.wav": the start and one pass of the loop (A + L frames,
// the frames of "01-inicio.wav" then "02-loop.wav") as 16-bit PCM, with the
// loop points that game engines read by themselves: a sampler chunk with one
// endless forward loop over the last L frames, and a cue point named "bucle"
// at its start.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/cancel.h"
#include "render/render_plan.h"

// The chunks that follow the data chunk ("smpl", "cue ", "LIST"/"adtl"),
// little-endian and complete, for a loop of loopLength frames from frame
// loopStart.
std::string gameLoopChunks(uint32_t loopStart, uint32_t loopLength);

void writeGameLoopWav(const std::filesystem::path& path, const RenderPlan& plan, const TickFn& tick);
