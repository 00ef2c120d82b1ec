#include "platform/sha256.h"

#include <openssl/evp.h>

namespace platform {

// OpenSSL needs no separate provider handle: the digest context is the hash.
bool sha256Open(Sha256& state)
{
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    state.hash = context;
    return context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
}

bool sha256Add(Sha256& state, const uint8_t* data, size_t size)
{
    return state.hash != nullptr && EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(state.hash), data, size) == 1;
}

bool sha256Finish(Sha256& state, uint8_t (&digest)[kSha256Bytes])
{
    unsigned int length = 0;
    return state.hash != nullptr &&
           EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(state.hash), digest, &length) == 1 &&
           length == kSha256Bytes;
}

void sha256Close(Sha256& state)
{
    EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(state.hash));
    state.hash = nullptr;
    state.provider = nullptr;
}

} // namespace platform
