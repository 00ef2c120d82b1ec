#include "render/wav_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "base/byte_io.h"
#include "base/fault_injection.h"
#include "base/audio_constants.h"

// File layout, all integers little-endian:
//    0  "RIFF"   4  dataBytes + 36   8  "WAVE"
//   12  "fmt "  16  16              20  1 (integer PCM)   22  2 (channels)
//   24  48000   28  byte rate       32  block align       34  bits
//   36  "data"  40  dataBytes       44  frames, left then right
namespace {

constexpr uint32_t kFramesPerSecond = kSongFrameRate;
constexpr int64_t kHeaderBytes = 44;
// Ticks and flushes fall on section frames that are multiples of this.
constexpr int64_t kTickFrames = 4096;
constexpr size_t kBufferBytes = 32768;

const char* const kInvalidSegment = "Segmento invalido.";
const char* const kTooLong = "Montaje demasiado largo para WAV (limite 4 GB).";
const char* const kCannotOpen = "No se puede escribir el WAV.";
const char* const kWriteFailed = "Fallo de escritura: comprueba espacio y permisos.";

uint8_t* putTag(uint8_t* p, const char (&tag)[5])
{
    std::copy(tag, tag + 4, p);
    return p + 4;
}

std::array<uint8_t, kHeaderBytes> wavHeader(uint64_t dataBytes, uint64_t trailingBytes, int bits)
{
    const uint16_t bytesPerSample = static_cast<uint16_t>(bits / 8);
    std::array<uint8_t, kHeaderBytes> header{};
    uint8_t* p = header.data();
    p = putTag(p, "RIFF");
    // Within 36 bytes of the limit the RIFF size no longer fits 32 bits; it
    // saturates, and readers go by the data chunk's exact size.
    p = putLe32(p, static_cast<uint32_t>(std::min<uint64_t>(dataBytes + 36 + trailingBytes, 0xFFFFFFFFu)));
    p = putTag(p, "WAVE");
    p = putTag(p, "fmt ");
    p = putLe32(p, 16);
    p = putLe16(p, 1);
    p = putLe16(p, 2);
    p = putLe32(p, kFramesPerSecond);
    p = putLe32(p, kFramesPerSecond * 2 * bytesPerSample);
    p = putLe16(p, static_cast<uint16_t>(2 * bytesPerSample));
    p = putLe16(p, static_cast<uint16_t>(bits));
    p = putTag(p, "data");
    putLe32(p, static_cast<uint32_t>(dataBytes));
    return header;
}

// Refuses a list before any file exists; returns the total frame count.
int64_t checkedFrameCount(const RenderPlan& plan, const std::vector<Segment>& segments, int bytesPerFrame)
{
    for (const Segment& segment : segments) {
        const int64_t length = plan.pcm ? sectionLength(plan, segment.section) : 0;
        if (segment.offset < 0 || segment.count < 0 || segment.offset > length ||
            segment.count > length - segment.offset)
            throw std::runtime_error(kInvalidSegment);
    }
    const int64_t maxFrames = static_cast<int64_t>(kWavMaxDataBytes) / bytesPerFrame;
    int64_t frames = 0;
    for (const Segment& segment : segments) {
        frames += segment.count;  // each count is at most a song long: no overflow before the check
        if (frames > maxFrames)
            throw std::runtime_error(kTooLong);
    }
    return frames;
}

// Gain, symmetric clip to +-scale, round halves away from zero. Clipping
// t * scale at +-scale equals clipping t at +-1, since the float product is
// monotonic in t. Rounding is truncation corrected by the fractional part,
// exact in float for |v| < 2^23. Two simple loops over a block in L1, with
// comparisons feeding selects, are what the compiler turns into vector code.
template <int Bytes>
void quantise(const float* in, int64_t samples, float gain, float* clipped, int32_t* out)
{
    constexpr float scale = Bytes == 3 ? 8388607.0f : 32767.0f;
    for (int64_t k = 0; k < samples; ++k) {
        const float v = (gain * in[k]) * scale;
        const int32_t above = v > scale;
        const int32_t below = v < -scale;
        clipped[k] = above ? scale : (below ? -scale : v);
    }
    for (int64_t k = 0; k < samples; ++k) {
        const float v = clipped[k];
        const int32_t truncated = static_cast<int32_t>(v);
        const float fraction = v - static_cast<float>(truncated);
        out[k] = truncated + static_cast<int32_t>(fraction >= 0.5f) - static_cast<int32_t>(fraction <= -0.5f);
    }
}

// Little-endian, Bytes per sample. At 24 bits each store writes 4 bytes and
// the next one overwrites the spare, so the destination needs 1 byte of slack.
template <int Bytes>
uint8_t* pack(const int32_t* in, int64_t samples, uint8_t* out)
{
    for (int64_t k = 0; k < samples; ++k) {
        const uint32_t q = static_cast<uint32_t>(in[k]);
        const uint8_t bytes[4] = {static_cast<uint8_t>(q), static_cast<uint8_t>(q >> 8),
                                  static_cast<uint8_t>(q >> 16), static_cast<uint8_t>(q >> 24)};
        std::memcpy(out, bytes, Bytes == 3 ? 4 : 2);
        out += Bytes;
    }
    return out;
}

// Scratch space for one block of at most kTickFrames frames.
struct BlockScratch {
    std::vector<float> frames = std::vector<float>(2 * kTickFrames);
    std::vector<float> clipped = std::vector<float>(2 * kTickFrames);
    std::vector<int32_t> samples = std::vector<int32_t>(2 * kTickFrames);
};

template <int Bytes>
uint8_t* convertFrames(const float* in, int64_t frames, float gain, BlockScratch& scratch, uint8_t* out)
{
    quantise<Bytes>(in, 2 * frames, gain, scratch.clipped.data(), scratch.samples.data());
    return pack<Bytes>(scratch.samples.data(), 2 * frames, out);
}

struct WavStream {
    std::ofstream file;
    std::vector<uint8_t> buffer = std::vector<uint8_t>(kBufferBytes + 1);  // + the packer's slack byte
    size_t used = 0;

    void write(const uint8_t* data, size_t size)
    {
        if (size == 0)
            return;
        if (ioFaultNow())
            fail();
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!file)
            fail();
    }
    void flush()
    {
        write(buffer.data(), used);
        used = 0;
    }
    // A full disk stays full: stop at the first failed write instead of
    // rendering the rest of the montage into a dead stream.
    [[noreturn]] void fail()
    {
        file.close();
        throw std::runtime_error(kWriteFailed);
    }
};

} // namespace

void writeWav(const std::filesystem::path& path, const RenderPlan& plan, const std::vector<Segment>& segments,
              int bits, const TickFn& tick)
{
    writeWavWithChunks(path, plan, segments, bits, tick, {});
}

void writeWavWithChunks(const std::filesystem::path& path, const RenderPlan& plan,
                        const std::vector<Segment>& segments, int bits, const TickFn& tick,
                        const std::string& trailingChunks)
{
    if (bits != 16 && bits != 24)
        throw std::invalid_argument("writeWav: bits must be 16 or 24");
    const int bytesPerSample = bits / 8;
    const int64_t totalFrames = checkedFrameCount(plan, segments, 2 * bytesPerSample);
    const uint64_t dataBytes = static_cast<uint64_t>(totalFrames) * 2 * static_cast<uint64_t>(bytesPerSample);

    WavStream out;
    out.file.rdbuf()->pubsetbuf(nullptr, 0);  // our own buffer is the only one
    out.file.open(path, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!out.file.is_open())
        throw std::runtime_error(kCannotOpen);
    const auto header = wavHeader(dataBytes, trailingChunks.size(), bits);
    out.write(header.data(), header.size());

    BlockScratch scratch;
    for (const Segment& segment : segments) {
        const int64_t last = segment.offset + segment.count;
        for (int64_t i = segment.offset; i < last;) {
            if (i % kTickFrames == 0) {
                tick();
                out.flush();
            }
            const int64_t blockEnd = std::min(last, (i / kTickFrames + 1) * kTickFrames);
            const int64_t n = blockEnd - i;
            const size_t bytes = static_cast<size_t>(n) * 2 * static_cast<size_t>(bytesPerSample);
            // Short segments may meet no tick point; never outgrow the buffer.
            if (out.used + bytes > kBufferBytes)
                out.flush();
            const float* frames = sectionFrames(plan, segment.section, i, n, scratch.frames.data());
            uint8_t* at = out.buffer.data() + out.used;
            at = bytesPerSample == 3 ? convertFrames<3>(frames, n, plan.gain, scratch, at)
                                     : convertFrames<2>(frames, n, plan.gain, scratch, at);
            out.used = static_cast<size_t>(at - out.buffer.data());
            i = blockEnd;
        }
    }
    out.flush();
    out.write(reinterpret_cast<const uint8_t*>(trailingChunks.data()), trailingChunks.size());
    out.file.close();
    if (out.file.fail())
        throw std::runtime_error(kWriteFailed);
}
