#include "audio/decoder.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <stdexcept>

#include "audio/decoder_run.h"
#include "base/audio_constants.h"
#include "base/cancel.h"
#include "base/free_space.h"
#include "platform/child_process.h"
#include "platform/memory_pages.h"

static_assert(std::endian::native == std::endian::little, "the decoder's raw output is little-endian float");

namespace {

constexpr uint64_t kSongBytesPerSecond = uint64_t{kSongFrameRate} * kSongChannels * sizeof(float);
constexpr uint64_t kMinSongBytes = kShortestSongSeconds * kSongBytesPerSecond;
constexpr uint64_t kMaxSongBytes = kLongestSongSeconds * kSongBytesPerSecond;
// One second more than the longest song: a larger output stops the decoder.
constexpr uint64_t kOutputLimitBytes = (kLongestSongSeconds + 1) * kSongBytesPerSecond;
constexpr uint64_t kMaxAnalysisBytes = (kLongestSongSeconds + 1) * uint64_t{kAnalysisSampleRate} * sizeof(float);
constexpr uint64_t kWorkSpaceBytes = kOutputLimitBytes + kMaxAnalysisBytes;
static_assert(kMinSongBytes == 7680000 && kOutputLimitBytes == 461184000 && kMaxAnalysisBytes == 105928200);
constexpr uint64_t kTimeLimitMs = 300000;
constexpr uint32_t kPollMs = 100;
constexpr uint32_t kFinalWaitMs = 5000;

constexpr const char* kDecodeFailed =
    "No se pudo decodificar el archivo. Comprueba que contiene audio y no esta protegido. "
    "El detalle queda en decoder.log mientras la app esta abierta.";

[[noreturn]] void fail(const char* message)
{
    throw std::runtime_error(message);
}

// Reads one of the decoder's outputs while the decoder writes it, so that by
// the decoder's end almost all of it is in memory: whole samples (or
// frames) only, never past the limit (beyond which the run is refused).
struct StreamingRead {
    std::filesystem::path file;
    uint64_t unit = 0;   // bytes of one whole sample or frame
    uint64_t limit = 0;  // never more bytes than this
    std::vector<float> samples;
    uint64_t bytes = 0;  // read so far
};

StreamingRead streamingRead(const std::filesystem::path& file, uint64_t unit, uint64_t limit)
{
    StreamingRead read;
    read.file = file;
    read.unit = unit;
    read.limit = limit;
    return read;
}

// Room for the longest song up front, asked for in huge pages: growing would
// copy what is read, and every small page the samples land on costs a fault.
void reserveRoom(StreamingRead& read)
{
    read.samples.reserve(static_cast<size_t>(read.limit / sizeof(float)));
    platform::preferHugePages(read.samples.data(), read.samples.capacity() * sizeof(float));
}

// Reads what was added since the last call. False when the file could not
// be read; what was read stays, and the next call tries the rest again.
bool readAvailable(StreamingRead& read)
{
    std::error_code unreadable;
    const uintmax_t size = std::filesystem::file_size(read.file, unreadable);
    if (unreadable)
        return false;
    const uint64_t whole = std::min<uint64_t>(size, read.limit) / read.unit * read.unit;
    if (whole <= read.bytes)
        return true;
    if (read.samples.capacity() == 0)
        reserveRoom(read);
    read.samples.resize(static_cast<size_t>(whole / sizeof(float)));
    const auto count = static_cast<std::streamsize>(whole - read.bytes);
    // Open only for this read, and never while another decoder starts: one
    // started meanwhile from another thread would inherit the file and keep
    // it busy until it ends.
    const std::unique_lock<std::mutex> noChildStarts = platform::holdChildStarts();
    std::ifstream in(read.file, std::ios::binary);
    if (!in.seekg(static_cast<std::streamoff>(read.bytes)) ||
        !in.read(reinterpret_cast<char*>(read.samples.data()) + read.bytes, count))
        return false;
    read.bytes = whole;
    return true;
}

// Runs the decoder to its end, or stops it on cancellation, time-out or
// runaway output. True when it was stopped.
bool superviseDecoder(platform::ChildProcess& child, const std::function<uint64_t()>& clock,
                      StreamingRead& song, StreamingRead& mono)
{
    const uint64_t start = clock();
    const auto mustStop = [&] {
        if (cancelFlag.load() || clock() - start > kTimeLimitMs)
            return true;
        std::error_code unreadable;
        const uintmax_t size = std::filesystem::file_size(song.file, unreadable);
        return !unreadable && size > kOutputLimitBytes;
    };
    while (!platform::waitForChild(child, kPollMs)) {
        readAvailable(song);
        readAvailable(mono);
        if (mustStop()) {
            platform::terminateChild(child, 2);
            return true;
        }
    }
    return false;
}

// The rest of "mono.f32", then the file is deleted; a trailing partial
// sample is dropped.
std::vector<float> finishAnalysisAudio(StreamingRead& mono)
{
    const uintmax_t size = std::filesystem::file_size(mono.file);
    // The decoder never writes more than this.
    if (size > kMaxAnalysisBytes)
        fail("No se pudo leer el audio de analisis.");
    if (!readAvailable(mono) || mono.bytes != size / sizeof(float) * sizeof(float))
        fail("No se pudo leer el audio de analisis.");
    std::filesystem::remove(mono.file);
    return std::move(mono.samples);
}

} // namespace

std::string decoderFileName()
{
    return platform::executableName("ffmpeg");
}

DecodedSong decodeSong(const std::filesystem::path& songPath, const DecoderRun& run)
{
    checkCancel();
    const std::filesystem::path& install = run.installFolder;
    const std::filesystem::path& workFolder = run.workFolder;
    const std::filesystem::path decoder = install / decoderFileName();
    if (!std::filesystem::exists(decoder))
        fail("Falta el motor ffmpeg.exe. Reinstala el paquete completo.");
    ensureFreeSpace(workFolder, kWorkSpaceBytes);

    const std::filesystem::path decoded = workFolder / "decoded.f32";
    const std::filesystem::path mono = workFolder / "mono.f32";
    // The decoder works in the installation folder, so a relative song path
    // is made absolute against the caller's own current folder first.
    std::error_code unresolved;
    std::filesystem::path song = std::filesystem::absolute(songPath, unresolved);
    if (unresolved)
        song = songPath;
    platform::ChildLaunch launch;
    launch.program = decoder;
    launch.arguments = decoderArguments(decoder, song, mono);
    launch.workingFolder = install;
    launch.standardOutput = decoded;
    launch.standardError = workFolder / "decoder.log";

    // A "mono.f32" left by an earlier failed run must not be read as this
    // run's before the decoder replaces it.
    std::error_code stale;
    std::filesystem::remove(mono, stale);

    platform::ChildProcess child = platform::startChildProcess(launch);
    if (child.status == platform::StartStatus::FilesFailed)
        fail("No se puede crear el archivo temporal.");
    if (child.status == platform::StartStatus::StartFailed)
        fail("Windows no pudo iniciar el motor de audio incluido.");

    StreamingRead stereo = streamingRead(decoded, uint64_t{kSongChannels} * sizeof(float), kOutputLimitBytes);
    // Read only at the end when the old file could not be removed.
    StreamingRead analysis = streamingRead(mono, sizeof(float), stale ? 0 : kMaxAnalysisBytes);
    const bool stopped = superviseDecoder(child, run.clock, stereo, analysis);
    const int exitCode = platform::finishChild(child, kFinalWaitMs);
    checkCancel();  // a cancelled run reports the cancellation, not a decoding failure
    if (exitCode != 0 || stopped)
        fail(kDecodeFailed);

    const uintmax_t size = std::filesystem::file_size(decoded);
    if (size % 8 != 0 || size < kMinSongBytes || size > kMaxSongBytes)
        fail(kSongLengthMessage);
    if (!readAvailable(stereo) || stereo.bytes != size)
        fail("No se pudo leer el audio temporal.");
    std::filesystem::remove(decoded);

    DecodedSong both;
    both.audio = std::move(stereo.samples);
    analysis.limit = kMaxAnalysisBytes;
    both.analysisAudio = finishAnalysisAudio(analysis);
    return both;
}
