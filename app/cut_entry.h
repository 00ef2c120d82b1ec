// The five numbers the user types beside the timeline (A, B, O in seconds,
// the crossfade in milliseconds, the repetitions), each read once, when it is
// typed, into a number that may not read. Everything below the window takes
// the numbers; only the checks here decide which message a bad entry gives.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/cut_rule.h"

enum class CutField { Start, End, Outro, Crossfade, Repetitions };
inline constexpr size_t kCutFieldCount = 5;

struct TypedNumber {
    double value = 0.0;
    bool readable = true;  // false: the text was not one number
};

// The target duration field, read once when typed: empty means no target.
struct TypedTarget {
    std::optional<double> seconds;
    bool readable = true;  // false: the text was not a duration
};

struct CutEntry {
    // The fields' first texts: 8.000, 40.000, 40.000, 60 and 2.
    std::array<TypedNumber, kCutFieldCount> fields{{{8.0}, {40.0}, {40.0}, {60.0}, {2.0}}};
    TypedTarget target;
    bool exact = false;  // the export ends exactly at the target
};

// Reads a field's text with the number-field rule; never throws.
TypedNumber readTyped(std::u16string_view text);
// Reads the target field's text with the duration rule; never throws.
TypedTarget readTypedTarget(std::u16string_view text);

TypedNumber& fieldOf(CutEntry& entry, CutField field);
const TypedNumber& fieldOf(const CutEntry& entry, CutField field);

// A, B and O as a cut record; throws the number-field message when one does not read.
Loop enteredCuts(const CutEntry& entry);
// The crossfade in seconds; throws the number-field message when it does not read.
double enteredFadeSeconds(const CutEntry& entry);
// Everything an export or session takes, checked against a song of songFrames
// frames, in the order the user meets the messages: numbers, cuts, repetitions.
CutSettings checkedSettings(const CutEntry& entry, uint64_t songFrames);

// Where the timeline draws A, B and O: a field that does not read puts only
// its own marker at 0 s.
std::array<double, 3> markerTimes(const CutEntry& entry);

// The text a field shows after the program wrote its value: cuts with 6
// decimals, crossfade and repetitions whole.
std::u16string shownText(CutField field, double value);
// The text the target field shows after the program wrote it: mm:ss.fff.
std::u16string shownTargetText(double seconds);
