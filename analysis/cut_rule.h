// The cut record and the one rule every cut must pass, wherever it comes
// from: the automatic candidates, the cache, the fields, a session.
#pragma once
#include <cstdint>

#include "analysis/analysis_model.h"

inline constexpr const char* kInvalidCutsMessage =
    "Cortes invalidos: inicio < fin del loop <= inicio del final < duracion. Fundido: 5 a 250 ms.";
inline constexpr const char* kRepetitionsMessage = "Elige de 1 a 100 repeticiones completas.";

// The crossfade ("Puente") and the loop repetitions a cut may carry.
inline constexpr double kShortestFadeSeconds = 0.005;
inline constexpr double kLongestFadeSeconds = 0.25;
inline constexpr int kFewestRepetitions = 1;
inline constexpr int kMostRepetitions = 100;

// A cut record: A, B and O in seconds, beat indices -1, scores 0.
Loop cutRecord(double start, double end, double outro);

// Throws kInvalidCutsMessage unless A > fade, B > A + fade, B <= O and
// O < duration - 2 fade, with a fade of 5 to 250 ms and every value finite.
void validateCuts(uint64_t songFrames, double start, double end, double outro, double fadeSeconds);

// The loop repetitions of a typed number: a whole count from
// kFewestRepetitions to kMostRepetitions. Throws kRepetitionsMessage.
int checkedRepetitions(double typed);

// What an export or a session takes: the cuts, the crossfade and the loop
// repetitions, already read as numbers. The crossfade stays in the
// milliseconds the user typed, which a session stores as they are: going
// through seconds and back can move its third decimal.
struct CutSettings {
    Loop cuts;
    double fadeMs = 60.0;
    int repetitions = 2;
};

// The crossfade in seconds, as the cut rule and rendering take it.
inline double fadeSecondsOf(const CutSettings& settings) { return settings.fadeMs / 1000.0; }
