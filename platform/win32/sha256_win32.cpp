#include "platform/sha256.h"

#include <limits>
#include <windows.h>
#include <bcrypt.h>

namespace platform {

namespace {

bool succeeded(NTSTATUS status)
{
    return status >= 0;
}

} // namespace

bool sha256Open(Sha256& state)
{
    BCRYPT_ALG_HANDLE provider = nullptr;
    if (!succeeded(BCryptOpenAlgorithmProvider(&provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    state.provider = provider;
    // No hash-object buffer: the provider allocates and frees it itself.
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!succeeded(BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0)))
        return false;
    state.hash = hash;
    return true;
}

bool sha256Add(Sha256& state, const uint8_t* data, size_t size)
{
    if (state.hash == nullptr)
        return false;
    // BCryptHashData takes a 32-bit length; feed larger blocks in pieces.
    while (size > 0) {
        const ULONG piece = size > std::numeric_limits<ULONG>::max() ? std::numeric_limits<ULONG>::max()
                                                                      : static_cast<ULONG>(size);
        if (!succeeded(BCryptHashData(state.hash, const_cast<PUCHAR>(data), piece, 0)))
            return false;
        data += piece;
        size -= piece;
    }
    return true;
}

bool sha256Finish(Sha256& state, uint8_t (&digest)[kSha256Bytes])
{
    return state.hash != nullptr && succeeded(BCryptFinishHash(state.hash, digest, kSha256Bytes, 0));
}

void sha256Close(Sha256& state)
{
    if (state.hash != nullptr)
        BCryptDestroyHash(state.hash);
    if (state.provider != nullptr)
        BCryptCloseAlgorithmProvider(state.provider, 0);
    state.hash = nullptr;
    state.provider = nullptr;
}

} // namespace platform
