// How numbers become text for people and files: "." as the decimal point,
// no grouping.
#pragma once
#include <string>

// x in fixed-point notation with exactly `decimals` decimals, "." as the
// decimal point, no grouping: (10, 6) -> "10.000000".
// Exact binary halves round away from zero, as people round.
std::u16string formatFixed(double x, int decimals);

// The correctly rounded fixed-point text, as files written by the program
// store their numbers; the value is finite.
std::string fixedPoint(double x, int decimals);

// Minutes:seconds.milliseconds of a time in seconds, "01:05.250"; minutes
// above 99 take more digits.
std::u16string formatClock(double seconds);
