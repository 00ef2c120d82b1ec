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

// Reads the song audio while the decoder writes it, so that by the decoder's
// end almost all of it is in memory: whole frames only, never past the
// output limit (beyond which the supervision stops the decoder anyway).
struct StreamingRead {
    std::vector<float> audio;
    uint64_t bytes = 0;  // read so far
    bool failed = false;
};

void readAvailable(StreamingRead& read, const std::filesystem::path& file)
{
    std::error_code unreadable;
    const uintmax_t size = std::filesystem::file_size(file, unreadable);
    if (unreadable || read.failed)
        return;
    const uint64_t whole = std::min<uint64_t>(size, kOutputLimitBytes) / 8 * 8;
    if (whole <= read.bytes)
        return;
    // Room for the longest song up front: growing would copy what is read.
    if (read.audio.capacity() == 0)
        read.audio.reserve(static_cast<size_t>(kOutputLimitBytes / sizeof(float)));
    read.audio.resize(static_cast<size_t>(whole / sizeof(float)));
    const auto count = static_cast<std::streamsize>(whole - read.bytes);
    // Open only for this read, and never while another decoder starts: one
    // started meanwhile from another thread would inherit the file and keep
    // it busy until it ends.
    const std::unique_lock<std::mutex> noChildStarts = platform::holdChildStarts();
    std::ifstream in(file, std::ios::binary);
    if (!in.seekg(static_cast<std::streamoff>(read.bytes)) ||
        !in.read(reinterpret_cast<char*>(read.audio.data()) + read.bytes, count)) {
        read.failed = true;
        return;
    }
    read.bytes = whole;
}

// Reads count floats from the start of a file; false on any read failure.
bool readFloats(const std::filesystem::path& file, std::vector<float>& samples)
{
    std::ifstream in(file, std::ios::binary);
    const auto bytes = static_cast<std::streamsize>(samples.size() * sizeof(float));
    return in.is_open() && (bytes == 0 || in.read(reinterpret_cast<char*>(samples.data()), bytes));
}

// Runs the decoder to its end, or stops it on cancellation, time-out or
// runaway output. True when it was stopped.
bool superviseDecoder(platform::ChildProcess& child, const std::filesystem::path& decoded,
                      const std::function<uint64_t()>& clock, StreamingRead& read)
{
    const uint64_t start = clock();
    const auto mustStop = [&] {
        if (cancelFlag.load() || clock() - start > kTimeLimitMs)
            return true;
        std::error_code unreadable;
        const uintmax_t size = std::filesystem::file_size(decoded, unreadable);
        return !unreadable && size > kOutputLimitBytes;
    };
    while (!platform::waitForChild(child, kPollMs)) {
        readAvailable(read, decoded);
        if (mustStop()) {
            platform::terminateChild(child, 2);
            return true;
        }
    }
    return false;
}

// Reads and deletes "mono.f32"; a trailing partial sample is dropped.
std::vector<float> readAnalysisAudio(const std::filesystem::path& mono)
{
    const uintmax_t size = std::filesystem::file_size(mono);
    // Checked before allocating: the decoder never writes more than this.
    if (size > kMaxAnalysisBytes)
        fail("No se pudo leer el audio de analisis.");
    std::vector<float> audio(static_cast<size_t>(size / sizeof(float)));
    bool read = false;
    {
        // No decoder may start, and inherit the file, while it is open.
        const std::unique_lock<std::mutex> noChildStarts = platform::holdChildStarts();
        read = readFloats(mono, audio);
    }
    if (!read)
        fail("No se pudo leer el audio de analisis.");
    std::filesystem::remove(mono);
    return audio;
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

    platform::ChildProcess child = platform::startChildProcess(launch);
    if (child.status == platform::StartStatus::FilesFailed)
        fail("No se puede crear el archivo temporal.");
    if (child.status == platform::StartStatus::StartFailed)
        fail("Windows no pudo iniciar el motor de audio incluido.");

    StreamingRead read;
    const bool stopped = superviseDecoder(child, decoded, run.clock, read);
    const int exitCode = platform::finishChild(child, kFinalWaitMs);
    checkCancel();  // a cancelled run reports the cancellation, not a decoding failure
    if (exitCode != 0 || stopped)
        fail(kDecodeFailed);

    const uintmax_t size = std::filesystem::file_size(decoded);
    if (size % 8 != 0 || size < kMinSongBytes || size > kMaxSongBytes)
        fail(kSongLengthMessage);
    readAvailable(read, decoded);
    if (read.failed || read.bytes != size)
        fail("No se pudo leer el audio temporal.");
    std::filesystem::remove(decoded);

    DecodedSong both;
    both.audio = std::move(read.audio);
    both.analysisAudio = readAnalysisAudio(mono);
    return both;
}
