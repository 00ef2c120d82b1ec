#include "cache/song_fingerprint.h"

#include <array>
#include <fstream>
#include <stdexcept>

#include "platform/sha256.h"

namespace {

// One fixed buffer: memory use does not grow with the song, and cancellation
// is noticed at most one chunk later.
constexpr std::streamsize kChunkBytes = 65536;

// Releases the hash on every way out, the tick's cancellation included.
struct HashGuard {
    platform::Sha256 state;
    HashGuard() = default;
    HashGuard(const HashGuard&) = delete;
    HashGuard& operator=(const HashGuard&) = delete;
    ~HashGuard() { platform::sha256Close(state); }
};

std::string lowercaseHex(const uint8_t* bytes, size_t count)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace

std::string songFingerprint(const std::filesystem::path& songPath, const TickFn& tick)
{
    HashGuard guard;
    if (!platform::sha256Open(guard.state))
        throw std::runtime_error("No se pudo identificar la cancion.");

    std::ifstream song(songPath, std::ios::binary);
    // A folder opens as a stream on some systems and fails only when read;
    // it is no song, so it is reported as one that cannot be opened.
    std::error_code ignored;
    if (!song.is_open() || std::filesystem::is_directory(songPath, ignored))
        throw std::runtime_error("No se pudo leer la cancion.");

    std::array<char, kChunkBytes> chunk;
    while (!song.fail() && !song.bad()) {
        tick();
        song.read(chunk.data(), kChunkBytes);
        const std::streamsize got = song.gcount();
        if (got > 0 && !platform::sha256Add(guard.state, reinterpret_cast<const uint8_t*>(chunk.data()),
                                            static_cast<size_t>(got)))
            throw std::runtime_error("Fallo calculando la huella del archivo.");
    }
    if (!song.eof() || song.bad())
        throw std::runtime_error("Fallo leyendo la cancion.");

    uint8_t digest[platform::kSha256Bytes] = {};
    if (!platform::sha256Finish(guard.state, digest))
        throw std::runtime_error("Huella incompleta.");
    return lowercaseHex(digest, sizeof digest);
}
