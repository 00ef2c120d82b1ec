// SHA-256 from the operating system's cryptography library.
// One header, two implementations: platform/win32 and platform/posix.
#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

// Opaque handles owned by the implementation; null when not acquired.
struct Sha256 {
    void* provider = nullptr;
    void* hash = nullptr;
};

inline constexpr size_t kSha256Bytes = 32;

// Each returns false on failure. sha256Open may leave part of its handles
// acquired on failure, so callers always finish with sha256Close.
bool sha256Open(Sha256& state);
bool sha256Add(Sha256& state, const uint8_t* data, size_t size);
bool sha256Finish(Sha256& state, uint8_t (&digest)[kSha256Bytes]);
// Releases whatever is held; safe on a partly opened or closed state.
void sha256Close(Sha256& state);

} // namespace platform
