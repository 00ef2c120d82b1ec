// Streams a segment list into a canonical 44-byte-header PCM WAV file
// (stereo, 48 kHz, 16 or 24 bits).
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/cancel.h"
#include "render/render_plan.h"

// The largest data chunk the header's 32-bit size fields can describe.
inline constexpr uint64_t kWavMaxDataBytes = 0xFFFFFFF0u;

void writeWav(const std::filesystem::path& path, const RenderPlan& plan, const std::vector<Segment>& segments,
              int bits, const TickFn& tick);

// The same file followed by further chunks (complete, each padded to an even
// size) after the data chunk; the RIFF size counts them.
void writeWavWithChunks(const std::filesystem::path& path, const RenderPlan& plan,
                        const std::vector<Segment>& segments, int bits, const TickFn& tick,
                        const std::string& trailingChunks);
