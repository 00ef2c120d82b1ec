// The stand-in tracker's fixed sizes, its tuning and the mel bands it
// listens to (the input has 128 log-mel bands at 50 frames a second).
#pragma once
#include <cstdint>

namespace onnx_model {

inline constexpr int64_t kBands = 128;
inline constexpr double kFramesPerSecond = 50.0;

// Tempo search: periods of 15 to 75 frames (200 to 40 BPM) in tenths of a
// frame: in quarter frames a 112 BPM song came out at 111.1 and its beats
// slid off the onsets towards each window's ends.
inline constexpr double kShortestPeriod = 15.0;
inline constexpr double kLongestPeriod = 75.0;
inline constexpr double kPeriodStep = 0.1;
inline constexpr int64_t kTempoLags = 300;  // 4 x the longest period
inline constexpr int64_t kBarLags = 600;    // two bars of 4 at the longest period

struct Tuning {
    double priorBpm = 110.0;
    double priorOctaves = 0.8;       // standard deviation of the log-tempo prior
    double priorFloor = 0.1;         // weight of the prior where the evidence is flat
    double crossWeight = 2.0;        // kick-then-snare bonus against the comb
    double crossPenalty = 2.0;       // kick-then-snare within a half or a third of the period
    float lockShare = 0.1f;          // phase lock, as a share of the window's best, that halves a period's score
    int64_t onsetMeanReach = 10;     // frames each side for the onsets' local mean
    int64_t lagMeanReach = 5;        // lags each side for the autocorrelation's local mean
    int64_t pulseReach = 150;        // frames each side for the local beat phase
    float pulseGlobal = 1.0f;        // share of the window-wide phase in the local one
    int64_t barReach = 400;          // frames each side for the local bar phase
    float barGlobal = 1.0f;
    float lowPhaseWeight = 1.0f;     // extra weight of the low band in the beat phase
    float snapFrames = 1.6f;         // a beat may sit this far from its crest
    float onsetDelay = 0.0f;         // frames between an onset and its flux peak
    float barArc = 0.4f;             // beats either side of the bar crest
    float tripleMargin = 1.1f;       // the 3-beat comb must exceed the 4-beat one by this share of it
    float clarityFloor = 0.15f;      // clarity that means no pulse at all
    float clarityGain = 12.0f;       // logit per unit of clarity above the floor
    float lowestLogit = 0.05f;
    float highestLogit = 5.0f;
    float highWeight = 0.5f;         // share of the high band in the onsets the beats land on
    double periodStep = kPeriodStep; // frames between candidate periods
    float turnCos = 0.70710678f;     // a pattern crest nearer than this (as a cosine) turns nothing
    float steadyShare = 1.0f;        // how much a locally weak pulse lowers its beats' height
    float definiteGain = 2.0f;       // how sure the beat's place is, per unit of its first harmonic's share
    float tieShare = 0.9f;           // a half or double period scoring this share of the best is as good
    double tieCentreBpm = 140.0;     // of periods as good, the one nearest this tempo wins
    float changeWeight = 3.0f;       // weight of the chord changes in the beat phase
    int64_t changeReach = 2;         // frames each side between the two spectral shapes compared
};

struct Band {
    int64_t lo, hi;
};
// Below about 260 Hz (kick, bass), up to about 1.6 kHz (snare body, chords), above.
inline constexpr Band kLow{0, 9};
inline constexpr Band kMid{9, 48};
inline constexpr Band kHigh{48, kBands};
// Below about 110 Hz: the kick and the bass, hardly the snare.
inline constexpr Band kBass{0, 3};
// About 260 Hz to 2.8 kHz: where chords and melodies change colour, below
// most of a hi-hat (a swung hat's change of colour pulled a 3/4 song's beat
// onto its off-beat).
inline constexpr Band kHarmony{9, 76};

} // namespace onnx_model
