// The target duration as the user types it, and the texts that show a
// montage's length and its distance from the target. Shared by the window
// and the console program.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kInvalidDurationMessage =
    "Duracion objetivo: escribe m:ss, m:ss.fff o segundos, con punto o coma decimal.";

// "2:37", "2:37.250", "157.25" or "157,25" as seconds; blanks around it are
// ignored, and an empty text means no target. Throws kInvalidDurationMessage
// for anything else, zero included.
std::optional<double> readDurationText(std::u16string_view text);

// "03:12.500": whole minutes (at least two digits), seconds to the millisecond.
std::string montageClockText(int64_t frames);
// "+1.8 s" when the montage is longer than the target, "-0.4 s" when shorter,
// "0.0 s" within a twentieth of a second.
std::string differenceText(int64_t frames);
