#include "render/game_loop_wav.h"

#include "base/byte_io.h"
#include "render/wav_writer.h"

namespace {

// One frame at 48 kHz in nanoseconds, as the sampler chunk states it.
constexpr uint32_t kSamplePeriodNs = 20833;
constexpr uint32_t kUnityNote = 60;  // middle C: play at the recorded pitch
constexpr uint32_t kCueId = 1;
constexpr char kCueLabel[] = "bucle";

void appendTag(std::string& out, const char (&tag)[5]) { out.append(tag, 4); }

// A chunk: tag, size, body, and the pad byte an odd body needs.
void appendChunk(std::string& out, const char (&tag)[5], const std::string& body)
{
    appendTag(out, tag);
    appendLe32(out, static_cast<uint32_t>(body.size()));
    out += body;
    if (body.size() % 2 != 0)
        out += '\0';
}

std::string samplerBody(uint32_t loopStart, uint32_t loopLength)
{
    std::string body;
    appendLe32(body, 0);  // manufacturer
    appendLe32(body, 0);  // product
    appendLe32(body, kSamplePeriodNs);
    appendLe32(body, kUnityNote);
    appendLe32(body, 0);  // pitch fraction
    appendLe32(body, 0);  // SMPTE format
    appendLe32(body, 0);  // SMPTE offset
    appendLe32(body, 1);  // loops
    appendLe32(body, 0);  // sampler data bytes
    appendLe32(body, 0);  // loop id
    appendLe32(body, 0);  // forward
    appendLe32(body, loopStart);
    appendLe32(body, loopStart + loopLength - 1);  // the last frame played, inclusive
    appendLe32(body, 0);                           // fraction
    appendLe32(body, 0);                           // play count: endless
    return body;
}

std::string cueBody(uint32_t position)
{
    std::string body;
    appendLe32(body, 1);  // points
    appendLe32(body, kCueId);
    appendLe32(body, position);
    appendTag(body, "data");
    appendLe32(body, 0);  // chunk start
    appendLe32(body, 0);  // block start
    appendLe32(body, position);
    return body;
}

std::string labelListBody()
{
    std::string label;
    appendLe32(label, kCueId);
    label.append(kCueLabel, sizeof kCueLabel);  // with its terminating zero
    std::string body;
    appendTag(body, "adtl");
    appendChunk(body, "labl", label);
    return body;
}

} // namespace

std::string gameLoopChunks(uint32_t loopStart, uint32_t loopLength)
{
    std::string chunks;
    appendChunk(chunks, "smpl", samplerBody(loopStart, loopLength));
    appendChunk(chunks, "cue ", cueBody(loopStart));
    appendChunk(chunks, "LIST", labelListBody());
    return chunks;
}

void writeGameLoopWav(const std::filesystem::path& path, const RenderPlan& plan, const TickFn& tick)
{
    const int64_t loopLength = sectionLength(plan, SectionKind::Loop);
    // A song is at most 20 minutes long, so both fit the chunks' 32 bits.
    writeWavWithChunks(path, plan, {{SectionKind::Start, 0, plan.startSample}, {SectionKind::Loop, 0, loopLength}},
                       16, tick,
                       gameLoopChunks(static_cast<uint32_t>(plan.startSample), static_cast<uint32_t>(loopLength)));
}
