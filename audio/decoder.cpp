#include "audio/decoder.h"

#include <bit>
#include <fstream>
#include <stdexcept>

#include "app/cancel.h"
#include "app/settings.h"
#include "audio/decoder_run.h"
#include "platform/child_process.h"
#include "platform/file_system.h"

static_assert(std::endian::native == std::endian::little, "the decoder's raw output is little-endian float");

std::atomic<uint64_t> decoderTimeLimitMs{300000};

namespace {

constexpr uint64_t kMinSongBytes = 7680000;        // 20 s x 48000 frames x 8 bytes
constexpr uint64_t kMaxSongBytes = 460800000;      // 1200 s
constexpr uint64_t kOutputLimitBytes = 461184000;  // 1201 s: a larger output stops the decoder
constexpr uint64_t kMaxAnalysisBytes = 105928200;  // 1201 s of 22 050 Hz mono
constexpr uint64_t kWorkSpaceBytes = kOutputLimitBytes + kMaxAnalysisBytes;
constexpr uint64_t kFreeSpaceReserve = 536870912;  // 512 MiB
constexpr uint32_t kPollMs = 100;
constexpr uint32_t kFinalWaitMs = 5000;

constexpr const char* kDecodeFailed =
    "No se pudo decodificar el archivo. Comprueba que contiene audio y no esta protegido. "
    "El detalle queda en decoder.log mientras la app esta abierta.";

[[noreturn]] void fail(const char* message)
{
    throw std::runtime_error(message);
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
bool superviseDecoder(platform::ChildProcess& child, const std::filesystem::path& decoded)
{
    const uint64_t start = platform::monotonicMilliseconds();
    const auto mustStop = [&] {
        if (cancelFlag.load() || platform::monotonicMilliseconds() - start > decoderTimeLimitMs.load())
            return true;
        std::error_code unreadable;
        const uintmax_t size = std::filesystem::file_size(decoded, unreadable);
        return !unreadable && size > kOutputLimitBytes;
    };
    while (!platform::waitForChild(child, kPollMs)) {
        if (mustStop()) {
            platform::terminateChild(child, 2);
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<float> decodeSong(const std::filesystem::path& songPath)
{
    checkCancel();
    const std::filesystem::path install = installFolder();
    const std::filesystem::path decoder = install / platform::decoderFileName();
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
    launch.commandLine = decoderCommandLine(decoder, song, mono);
    launch.arguments = decoderArguments(decoder, song, mono);
    launch.workingFolder = install;
    launch.standardOutput = decoded;
    launch.standardError = workFolder / "decoder.log";

    platform::ChildProcess child = platform::startChildProcess(launch);
    if (child.status == platform::StartStatus::FilesFailed)
        fail("No se puede crear el archivo temporal.");
    if (child.status == platform::StartStatus::StartFailed)
        fail("Windows no pudo iniciar el motor de audio incluido.");

    const bool stopped = superviseDecoder(child, decoded);
    const int exitCode = platform::finishChild(child, kFinalWaitMs);
    checkCancel();  // a cancelled run reports the cancellation, not a decoding failure
    if (exitCode != 0 || stopped)
        fail(kDecodeFailed);

    const uintmax_t size = std::filesystem::file_size(decoded);
    if (size % 8 != 0 || size < kMinSongBytes || size > kMaxSongBytes)
        fail("Duracion admitida: de 20 segundos a 20 minutos.");
    std::vector<float> audio(static_cast<size_t>(size / sizeof(float)));
    if (!readFloats(decoded, audio))
        fail("No se pudo leer el audio temporal.");
    std::filesystem::remove(decoded);
    return audio;
}

std::vector<float> readAnalysisAudio()
{
    const std::filesystem::path mono = workFolder / "mono.f32";
    const uintmax_t size = std::filesystem::file_size(mono);
    // Checked before allocating: the decoder never writes more than this.
    if (size > kMaxAnalysisBytes)
        fail("No se pudo leer el audio de analisis.");
    std::vector<float> audio(static_cast<size_t>(size / sizeof(float)));
    if (!readFloats(mono, audio))
        fail("No se pudo leer el audio de analisis.");
    std::filesystem::remove(mono);
    return audio;
}

void ensureFreeSpace(const std::filesystem::path& folder, uint64_t bytes)
{
    std::error_code error;
    std::filesystem::path existing = std::filesystem::absolute(folder, error);
    if (error)
        existing = folder;
    while (!std::filesystem::exists(existing, error)) {
        const std::filesystem::path parent = existing.parent_path();
        if (parent.empty() || parent == existing)
            break;
        existing = parent;
    }
    const auto free = platform::freeBytesAvailable(existing);
    if (!free || bytes > UINT64_MAX - kFreeSpaceReserve || *free < bytes + kFreeSpaceReserve)
        fail("Falta espacio: deja al menos 512 MB libres, ademas del audio a exportar.");
}
