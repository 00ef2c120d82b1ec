// The SHA-256 of the song file's bytes as 64 lowercase hex digits.
#pragma once
#include <filesystem>
#include <string>

#include "base/cancel.h"

std::string songFingerprint(const std::filesystem::path& songPath, const TickFn& tick);
