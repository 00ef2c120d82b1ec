#include "render/game_loop_ogg.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/audio_constants.h"
#include "base/fault_injection.h"

namespace {

constexpr float kQuality = 0.6f;  // about 192 kbit/s for stereo music
// A fixed stream serial number: the same export gives the same bytes.
constexpr int kSerialNumber = 0x4F727661;
constexpr int64_t kBlockFrames = 4096;

const char* const kCannotOpen = "No se puede escribir el OGG.";
const char* const kWriteFailed = "Fallo de escritura: comprueba espacio y permisos.";
const char* const kEncoderFailed = "No se pudo codificar el OGG.";

// The encoder's state, released in reverse order of its set-up.
struct VorbisEncoder {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    bool dspReady = false;

    VorbisEncoder()
    {
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);
    }
    ~VorbisEncoder()
    {
        if (dspReady) {
            ogg_stream_clear(&stream);
            vorbis_block_clear(&block);
            vorbis_dsp_clear(&dsp);
        }
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;
};

void writePage(std::ofstream& file, const ogg_page& page)
{
    if (ioFaultNow())
        throw std::runtime_error(kWriteFailed);
    file.write(reinterpret_cast<const char*>(page.header), page.header_len);
    file.write(reinterpret_cast<const char*>(page.body), page.body_len);
    if (!file)
        throw std::runtime_error(kWriteFailed);
}

void setUp(VorbisEncoder& encoder, int64_t loopStart, int64_t loopLength)
{
    if (vorbis_encode_init_vbr(&encoder.info, kSongChannels, kSongFrameRate, kQuality) != 0)
        throw std::runtime_error(kEncoderFailed);
    vorbis_comment_add_tag(&encoder.comment, "LOOPSTART", std::to_string(loopStart).c_str());
    vorbis_comment_add_tag(&encoder.comment, "LOOPLENGTH", std::to_string(loopLength).c_str());
    if (vorbis_analysis_init(&encoder.dsp, &encoder.info) != 0)
        throw std::runtime_error(kEncoderFailed);
    vorbis_block_init(&encoder.dsp, &encoder.block);
    ogg_stream_init(&encoder.stream, kSerialNumber);
    encoder.dspReady = true;
}

// The three header packets, on pages of their own before any audio.
void writeHeaders(VorbisEncoder& encoder, std::ofstream& file)
{
    ogg_packet identification, comments, codebooks;
    vorbis_analysis_headerout(&encoder.dsp, &encoder.comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&encoder.stream, &identification);
    ogg_stream_packetin(&encoder.stream, &comments);
    ogg_stream_packetin(&encoder.stream, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&encoder.stream, &page) != 0)
        writePage(file, page);
}

// Encodes whatever the analysis has buffered and writes the full pages.
void drain(VorbisEncoder& encoder, std::ofstream& file)
{
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&encoder.dsp, &encoder.block) == 1) {
        vorbis_analysis(&encoder.block, nullptr);
        vorbis_bitrate_addblock(&encoder.block);
        while (vorbis_bitrate_flushpacket(&encoder.dsp, &packet) == 1) {
            ogg_stream_packetin(&encoder.stream, &packet);
            while (ogg_stream_pageout(&encoder.stream, &page) != 0)
                writePage(file, page);
        }
    }
}

// Frames first .. first + count - 1 of a section into the encoder's
// channels, through the gain and clipped to full scale like the WAV files.
void feed(VorbisEncoder& encoder, const RenderPlan& plan, SectionKind section, int64_t first, int64_t count,
          std::vector<float>& scratch)
{
    const float* frames = sectionFrames(plan, section, first, count, scratch.data());
    float** channels = vorbis_analysis_buffer(&encoder.dsp, static_cast<int>(count));
    for (int64_t i = 0; i < count; ++i)
        for (int c = 0; c < 2; ++c)
            channels[c][i] = std::clamp(plan.gain * frames[2 * i + c], -1.0f, 1.0f);
    vorbis_analysis_wrote(&encoder.dsp, static_cast<int>(count));
}

} // namespace

void writeGameLoopOgg(const std::filesystem::path& path, const RenderPlan& plan, const TickFn& tick)
{
    const int64_t loopLength = sectionLength(plan, SectionKind::Loop);
    VorbisEncoder encoder;
    setUp(encoder, plan.startSample, loopLength);

    std::ofstream file(path, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!file.is_open())
        throw std::runtime_error(kCannotOpen);
    writeHeaders(encoder, file);

    std::vector<float> scratch(2 * kBlockFrames);
    const Segment parts[] = {{SectionKind::Start, 0, plan.startSample}, {SectionKind::Loop, 0, loopLength}};
    for (const Segment& part : parts) {
        for (int64_t i = part.offset; i < part.offset + part.count; i += kBlockFrames) {
            tick();
            feed(encoder, plan, part.section, i, std::min(kBlockFrames, part.offset + part.count - i), scratch);
            drain(encoder, file);
        }
    }
    // The end of the stream: the encoder pads the last block and marks its
    // true length in the last page's granule position.
    vorbis_analysis_wrote(&encoder.dsp, 0);
    drain(encoder, file);
    ogg_page page;
    while (ogg_stream_flush(&encoder.stream, &page) != 0)
        writePage(file, page);
    file.close();
    if (file.fail())
        throw std::runtime_error(kWriteFailed);
}
