#include "platform/environment.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace platform {

namespace {

std::wstring widened(const char* ascii)
{
    std::wstring wide;
    for (const char* c = ascii; *c; ++c)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    return wide;
}

} // namespace

// Both the process environment block and the C runtime's copy: a library
// may read either.
bool setEnvironmentVariable(const char* name, const char* value)
{
    const bool block = SetEnvironmentVariableW(widened(name).c_str(), widened(value).c_str()) != 0;
    const bool runtime = _putenv_s(name, value) == 0;
    return block && runtime;
}

} // namespace platform
