// The two number formats every text of the window uses.
#pragma once
#include <string>

// x in fixed-point notation with exactly `decimals` decimals, "." as the
// decimal point, no grouping: (10, 6) -> "10.000000".
std::u16string formatFixed(double x, int decimals);

// Minutes:seconds.milliseconds of a time in seconds, "01:05.250"; minutes
// above 99 take more digits.
std::u16string formatClock(double seconds);
