#include "render/wav_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "app/fault_injection.h"

// File layout, all integers little-endian:
//    0  "RIFF"   4  dataBytes + 36   8  "WAVE"
//   12  "fmt "  16  16              20  1 (integer PCM)   22  2 (channels)
//   24  48000   28  byte rate       32  block align       34  bits
//   36  "data"  40  dataBytes       44  frames, left then right
namespace {

constexpr uint32_t kFramesPerSecond = 48000;
constexpr int64_t kHeaderBytes = 44;
constexpr uint64_t kMaxDataBytes = 0xFFFFFFF0u;
// Ticks and flushes fall on section frames that are multiples of this.
constexpr int64_t kTickFrames = 4096;
constexpr size_t kBufferBytes = 32768;

const char* const kInvalidSegment = "Segmento invalido.";
const char* const kTooLong = "Montaje demasiado largo para WAV (limite 4 GB).";
const char* const kCannotOpen = "No se puede escribir el WAV.";
const char* const kWriteFailed = "Fallo de escritura: comprueba espacio y permisos.";

uint8_t* put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    return p + 2;
}

uint8_t* put32(uint8_t* p, uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        p[k] = static_cast<uint8_t>(v >> (8 * k));
    return p + 4;
}

uint8_t* putTag(uint8_t* p, const char (&tag)[5])
{
    std::copy(tag, tag + 4, p);
    return p + 4;
}

std::array<uint8_t, kHeaderBytes> wavHeader(uint64_t dataBytes, int bits)
{
    const uint16_t bytesPerSample = static_cast<uint16_t>(bits / 8);
    std::array<uint8_t, kHeaderBytes> header{};
    uint8_t* p = header.data();
    p = putTag(p, "RIFF");
    // Within 36 bytes of the limit the RIFF size no longer fits 32 bits; it
    // saturates, and readers go by the data chunk's exact size.
    p = put32(p, static_cast<uint32_t>(std::min<uint64_t>(dataBytes + 36, 0xFFFFFFFFu)));
    p = putTag(p, "WAVE");
    p = putTag(p, "fmt ");
    p = put32(p, 16);
    p = put16(p, 1);
    p = put16(p, 2);
    p = put32(p, kFramesPerSecond);
    p = put32(p, kFramesPerSecond * 2 * bytesPerSample);
    p = put16(p, static_cast<uint16_t>(2 * bytesPerSample));
    p = put16(p, static_cast<uint16_t>(bits));
    p = putTag(p, "data");
    put32(p, static_cast<uint32_t>(dataBytes));
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
    const int64_t maxFrames = static_cast<int64_t>(kMaxDataBytes) / bytesPerFrame;
    int64_t frames = 0;
    for (const Segment& segment : segments) {
        frames += segment.count;  // each count is at most a song long: no overflow before the check
        if (frames > maxFrames)
            throw std::runtime_error(kTooLong);
    }
    return frames;
}

// Gain, symmetric clip to +-scale, round halves away from zero. In double the
// +-0.5 is exact for every value up to 2^23, so truncation rounds correctly.
template <int Bytes>
uint8_t* convertSamples(const float* in, int64_t samples, float gain, uint8_t* out)
{
    constexpr float scale = Bytes == 3 ? 8388607.0f : 32767.0f;
    for (int64_t k = 0; k < samples; ++k) {
        const float t = gain * in[k];
        const float v = t < -1.0f ? -scale : (t > 1.0f ? scale : t * scale);
        const double r = v >= 0.0f ? static_cast<double>(v) + 0.5 : static_cast<double>(v) - 0.5;
        const uint32_t q = static_cast<uint32_t>(static_cast<int32_t>(r));
        out[0] = static_cast<uint8_t>(q);
        out[1] = static_cast<uint8_t>(q >> 8);
        if constexpr (Bytes == 3)
            out[2] = static_cast<uint8_t>(q >> 16);
        out += Bytes;
    }
    return out;
}

struct WavStream {
    std::ofstream file;
    std::array<uint8_t, kBufferBytes> buffer;
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
    if (bits != 16 && bits != 24)
        throw std::invalid_argument("writeWav: bits must be 16 or 24");
    const int bytesPerSample = bits / 8;
    const int64_t frames = checkedFrameCount(plan, segments, 2 * bytesPerSample);
    const uint64_t dataBytes = static_cast<uint64_t>(frames) * 2 * static_cast<uint64_t>(bytesPerSample);

    WavStream out;
    out.file.rdbuf()->pubsetbuf(nullptr, 0);  // our own buffer is the only one
    out.file.open(path, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!out.file.is_open())
        throw std::runtime_error(kCannotOpen);
    const auto header = wavHeader(dataBytes, bits);
    out.write(header.data(), header.size());

    std::array<float, 2 * kTickFrames> scratch;
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
            if (out.used + bytes > out.buffer.size())
                out.flush();
            sectionFrames(plan, segment.section, i, n, scratch.data());
            uint8_t* at = out.buffer.data() + out.used;
            at = bytesPerSample == 3 ? convertSamples<3>(scratch.data(), 2 * n, plan.gain, at)
                                     : convertSamples<2>(scratch.data(), 2 * n, plan.gain, at);
            out.used = static_cast<size_t>(at - out.buffer.data());
            i = blockEnd;
        }
    }
    out.flush();
    out.file.close();
    if (out.file.fail())
        throw std::runtime_error(kWriteFailed);
}
