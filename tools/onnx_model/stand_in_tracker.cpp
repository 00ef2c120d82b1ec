// The stand-in beat tracker: a classical tempo-aware tracker written as one
// ONNX graph. Everything is decided inside the window the graph is given:
//
//   onsets    positive log-mel flux in three bands (low, mid, high), each
//             with its local mean removed and scaled to unit power;
//   tempo     peaks of the autocorrelation of the band onsets; a comb over
//             1, 2, 3 and 4 periods under a prior around 110 BPM, a
//             bonus when low-band onsets are followed by mid-band onsets one
//             or three periods later (kick then snare), and a penalty when
//             they are a half or a third of a period apart, which hold the
//             beat level against half tempo and against the bar; and a
//             weight for how well the onsets keep one phase at the period
//             over the whole window, which sinks periods that the comb only
//             finds between onsets off the pulse (a 3+3+2 figure's dotted
//             beat); where the period's half or double scores nearly as
//             well, the one nearer 140 BPM, so the windows of one song
//             settle a near tie alike;
//   beats     the local phase of the onsets (of the mel magnitudes' square
//             roots, which put a slow attack where it is heard) and of the
//             chord changes at that period (a sliding Fourier coefficient),
//             so slow drift is followed, turned to the highest place of the
//             window's onset pattern over one period where that lies well
//             away from the phase's own crest (onsets in several places of
//             the beat); each beat lands on the strongest onset within a
//             frame and a half of the local pulse crest;
//   meter     the same comb at 3 and 4 beats over the peaks of the bass
//             level; downbeats where the local bar phase crests. (Spectral
//             shape change was tried here and follows the snare, not the
//             chords.)
//
// The logits' height says how sure each beat is, so the decoder's confidence
// means something: it follows how clear the periodicity is in the window,
// how plainly the onsets mark one place of the beat rather than two half a
// beat apart (where they do not, the next window may well pick the other),
// and how strong the pulse is around the beat for the window.
#include "models.h"

#include "analysis/model_identity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

namespace onnx_model {

namespace {

constexpr int64_t kBands = 128;
constexpr int64_t kToEnd = std::numeric_limits<int64_t>::max();
constexpr double kFramesPerSecond = 50.0;

// Tempo search: periods of 15 to 75 frames (200 to 40 BPM) in tenths of a
// frame: in quarter frames a 112 BPM song came out at 111.1 and its beats
// slid off the onsets towards each window's ends.
constexpr double kShortestPeriod = 15.0;
constexpr double kLongestPeriod = 75.0;
constexpr double kPeriodStep = 0.1;
constexpr int64_t kTempoLags = 300;  // 4 x the longest period
constexpr int64_t kBarLags = 600;    // two bars of 4 at the longest period

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
constexpr Band kLow{0, 9};
constexpr Band kMid{9, 48};
constexpr Band kHigh{48, kBands};
// Below about 110 Hz: the kick and the bass, hardly the snare.
constexpr Band kBass{0, 3};
// About 260 Hz to 2.8 kHz: where chords and melodies change colour, below
// most of a hi-hat (a swung hat's change of colour pulled a 3/4 song's beat
// onto its off-beat).
constexpr Band kHarmony{9, 76};

std::string slice(GraphBuilder& g, const std::string& x, int64_t start, int64_t end, int64_t axis)
{
    return g.op("Slice", {x, g.int64s({start}), g.int64s({end}), g.int64s({axis})});
}

std::string mul(GraphBuilder& g, const std::string& a, const std::string& b) { return g.op("Mul", {a, b}); }
std::string add(GraphBuilder& g, const std::string& a, const std::string& b) { return g.op("Add", {a, b}); }
std::string sub(GraphBuilder& g, const std::string& a, const std::string& b) { return g.op("Sub", {a, b}); }
std::string div(GraphBuilder& g, const std::string& a, const std::string& b) { return g.op("Div", {a, b}); }
std::string scaled(GraphBuilder& g, const std::string& a, float k) { return mul(g, a, g.scalar(k)); }

std::string reduce(GraphBuilder& g, const std::string& op, const std::string& x, int64_t axis, bool keep)
{
    if (op == "ReduceSum")
        return g.op(op, {x, g.int64s({axis})}, {intAttribute("keepdims", keep ? 1 : 0)});
    return g.op(op, {x}, {intsAttribute("axes", {axis}), intAttribute("keepdims", keep ? 1 : 0)});
}

// Mean over 2 * reach + 1 frames along the last axis of [1, C, T], ignoring padding.
std::string localMean3(GraphBuilder& g, const std::string& x, int64_t reach)
{
    return g.op("AveragePool", {x},
                {intsAttribute("kernel_shape", {2 * reach + 1}), intsAttribute("pads", {reach, reach}),
                 intAttribute("count_include_pad", 0)});
}

// The same for [1, T], from running sums: a pooling kernel of hundreds of
// frames would cost that many additions per frame.
std::string localMean(GraphBuilder& g, const std::string& x, int64_t reach)
{
    const auto windowSums = [&](const std::string& signal) {
        const std::string padded = g.op("Pad", {signal, g.int64s({0, reach, 0, reach})});
        const std::string through = g.op("CumSum", {padded, g.int64s({1})});
        const std::string before = g.op("CumSum", {padded, g.int64s({1})}, {intAttribute("exclusive", 1)});
        return sub(g, slice(g, through, 2 * reach, kToEnd, 1), slice(g, before, 0, -2 * reach, 1));
    };
    const std::string ones = add(g, mul(g, x, g.scalar(0.0f)), g.scalar(1.0f));
    return div(g, windowSums(x), windowSums(ones));
}

// Scaled to unit mean power over the window; `floor` keeps a band that holds
// next to nothing from being blown up to the size of a real one.
std::string unitPower(GraphBuilder& g, const std::string& x, float floor)
{
    const std::string power = reduce(g, "ReduceMean", mul(g, x, x), 1, true);
    return div(g, x, add(g, g.op("Sqrt", {power}), g.scalar(floor)));
}

struct BandOnsets {
    std::string all;             // [1, 3, T]
    std::string low, mid, high;  // [1, T] each
};

// Onset strength of the low, mid and high bands of a spectrum: the rise of
// every mel band from the previous frame, summed over each band (one product
// with a band-membership matrix rather than a slice per band), above its
// local mean, unit power; `floor` per mel band of each band's width.
BandOnsets bandOnsets(GraphBuilder& g, const std::string& spectrum, float floor, const Tuning& t)
{
    constexpr Band kThree[3] = {kLow, kMid, kHigh};
    std::vector<float> member(static_cast<size_t>(kBands) * 3, 0.0f), floors;
    for (int64_t c = 0; c < 3; ++c) {
        for (int64_t b = kThree[c].lo; b < kThree[c].hi; ++b)
            member[static_cast<size_t>(b * 3 + c)] = 1.0f;
        floors.push_back(floor * static_cast<float>(kThree[c].hi - kThree[c].lo));
    }
    const std::string rise =
        g.op("Relu", {sub(g, slice(g, spectrum, 1, kToEnd, 1), slice(g, spectrum, 0, -1, 1))});  // [1, T - 1, 128]
    const std::string summed = g.op("MatMul", {rise, g.floats({kBands, 3}, member)});
    const std::string flux = g.op("Transpose", {g.op("Pad", {summed, g.int64s({0, 1, 0, 0, 0, 0})})},
                                  {intsAttribute("perm", {0, 2, 1})});  // [1, 3, T]; frame 0 rises by 0
    const std::string onsets = g.op("Relu", {sub(g, flux, localMean3(g, flux, t.onsetMeanReach))});
    const std::string power = reduce(g, "ReduceMean", mul(g, onsets, onsets), 2, true);
    BandOnsets out;
    out.all = div(g, onsets, add(g, g.op("Sqrt", {power}), g.floats({3, 1}, floors)));
    const auto channel = [&](int64_t c) { return g.op("Squeeze", {slice(g, out.all, c, c + 1, 1), g.int64s({1})}); };
    out.low = channel(0), out.mid = channel(1), out.high = channel(2);
    return out;
}

// The mel magnitudes under a square root instead of the input's logarithm,
// log(1 + 1000 m). Under the logarithm the first, quiet moments of a slow
// attack (strings, pads, a swelling choir) are its steepest rise, so beats
// phased from them came tens of milliseconds before the note is heard; under
// a root a note rises most where it grows loud, and sharp attacks stay where
// they were. [1, T, 128].
std::string rootMagnitudes(GraphBuilder& g, const std::string& x)
{
    return g.op("Sqrt", {g.op("Relu", {sub(g, g.op("Exp", {x}), g.scalar(1.0f))})});
}

// How far the shape of the spectrum between the bass and the cymbals moves
// across each frame, whatever its loudness: chords and bass notes changing.
// Music changes chord on the beat far more often than off it, and where the
// onsets fall evenly on and off the beat (running eighths, a steady
// strum) these changes are what still marks the beat's place. The two
// shapes compared sit the same distance either side, so a change peaks on
// its own frame and does not pull the beats late. [1, T].
std::string chordChange(GraphBuilder& g, const std::string& x, const Tuning& t)
{
    const std::string bands = slice(g, x, kHarmony.lo, kHarmony.hi, 2);
    const std::string centred = sub(g, bands, reduce(g, "ReduceMean", bands, 2, true));
    const std::string size =
        g.op("Sqrt", {add(g, reduce(g, "ReduceSum", mul(g, centred, centred), 2, true), g.scalar(1e-6f))});
    const std::string shape = div(g, centred, size);
    const int64_t span = 2 * t.changeReach;
    const std::string alike =
        reduce(g, "ReduceSum", mul(g, slice(g, shape, span, kToEnd, 1), slice(g, shape, 0, -span, 1)), 2, false);
    const std::string change =
        g.op("Pad", {sub(g, g.scalar(1.0f), alike), g.int64s({0, t.changeReach, 0, t.changeReach})});
    const std::string above = g.op("Relu", {sub(g, change, localMean(g, change, t.onsetMeanReach))});
    return unitPower(g, above, 0.01f);
}

// Where the lowest bands are loudest for their surroundings: kicks and bass
// notes. Their level, not their rise: in log-mel terms any sound lifts an
// empty band a long way, but only a kick fills it. [1, T].
std::string bassPeaks(GraphBuilder& g, const std::string& x)
{
    const std::string level =
        scaled(g, reduce(g, "ReduceSum", slice(g, x, kBass.lo, kBass.hi, 2), 2, false), 1.0f / (kBass.hi - kBass.lo));
    const std::string above = g.op("Relu", {sub(g, level, localMean(g, level, 25))});
    return unitPower(g, above, 0.05f);
}

// Autocorrelation of each channel of [1, C, T] (mean removed) at lags
// 0 .. lags, as if the window went on in silence, corrected for the
// shrinking overlap and divided by lag 0. [1, C, lags + 1].
std::string autocorrelation(GraphBuilder& g, const std::string& x, int64_t channels, int64_t lags,
                            const std::string& frameCount)
{
    const std::string centred = sub(g, x, reduce(g, "ReduceMean", x, 2, true));
    const std::string padded = g.op("Pad", {centred, g.int64s({0, 0, 0, 0, 0, lags})});
    const std::string kernel = g.op("Transpose", {centred}, {intsAttribute("perm", {1, 0, 2})});
    const std::string raw = g.op("Conv", {padded, kernel}, {intAttribute("group", channels)});
    std::vector<float> lagValues;
    for (int64_t l = 0; l <= lags; ++l)
        lagValues.push_back(static_cast<float>(l));
    const std::string overlap =
        g.op("Max", {sub(g, frameCount, g.floats({lags + 1}, lagValues)), g.scalar(1.0f)});
    const std::string unbiased = div(g, mul(g, raw, frameCount), overlap);
    const std::string zero = slice(g, unbiased, 0, 1, 2);
    // The channels have unit power at most; one that holds next to nothing
    // (a held chord's flux) keeps a correlation near 0 however periodic it is.
    return div(g, unbiased, add(g, zero, mul(g, frameCount, g.scalar(0.1f))));
}

// Low-band onsets against mid-band onsets `lag` frames later, lags 0 .. lags,
// divided by the two bands' powers. [1, 1, lags + 1].
std::string crossCorrelation(GraphBuilder& g, const std::string& low, const std::string& mid, int64_t lags)
{
    const auto centred = [&](const std::string& s) {
        const std::string c = sub(g, s, reduce(g, "ReduceMean", s, 1, true));
        return g.op("Unsqueeze", {c, g.int64s({1})});
    };
    const std::string lowC = centred(low), midC = centred(mid);
    const std::string padded = g.op("Pad", {midC, g.int64s({0, 0, 0, 0, 0, lags})});
    const std::string raw = g.op("Conv", {padded, lowC});
    const std::string energy = g.op("Sqrt", {mul(g, g.op("Conv", {lowC, lowC}), g.op("Conv", {midC, midC}))});
    return div(g, raw, add(g, energy, g.scalar(1e-3f)));
}

std::vector<double> candidatePeriods(double step)
{
    std::vector<double> periods;
    for (double p = kShortestPeriod; p <= kLongestPeriod + 1e-9; p += step)
        periods.push_back(p);
    return periods;
}

// Adds weight * (the autocorrelation at a fractional lag) to column j of a
// [lags + 1, J] matrix, by linear interpolation between whole lags.
void addLag(std::vector<float>& m, size_t columns, size_t j, double lag, double weight, int64_t lags)
{
    const auto whole = static_cast<int64_t>(std::floor(lag));
    const double frac = lag - static_cast<double>(whole);
    if (whole <= lags)
        m[static_cast<size_t>(whole) * columns + j] += static_cast<float>(weight * (1.0 - frac));
    if (whole + 1 <= lags && frac > 0.0)
        m[static_cast<size_t>(whole + 1) * columns + j] += static_cast<float>(weight * frac);
}

struct Candidate {
    std::string index, score;  // [1, 1] each
};

// The best-scoring period within half a frame of the fractional index
// `exact` ([1, 1]), clipped to the periods searched.
Candidate bestNear(GraphBuilder& g, const std::string& scores, const std::string& exact, int64_t count)
{
    std::vector<float> offsets;
    for (int k = -5; k <= 5; ++k)
        offsets.push_back(static_cast<float>(k));
    const std::string near =
        g.op("Clip", {g.op("Round", {add(g, exact, g.floats({static_cast<int64_t>(offsets.size())}, offsets))}),
                      g.scalar(0.0f), g.scalar(static_cast<float>(count - 1))});  // [1, 11]
    const std::string nearIndex = g.op("Cast", {near}, {intAttribute("to", kInt64)});
    const std::string nearScores = g.op("Gather", {scores, nearIndex});
    const std::string which = g.op("ArgMax", {nearScores}, {intAttribute("axis", 1), intAttribute("keepdims", 1)});
    return {g.op("GatherElements", {nearIndex, which}, {intAttribute("axis", 1)}),
            reduce(g, "ReduceMax", nearScores, 1, true)};
}

// Of the best period and the best ones near its half and its double, those
// scoring at least `tieShare` of it are as good as it, and of those the one
// nearest the centre tempo wins. Windows of one song weigh the same pulse
// at two levels a little differently, and a song that came out at 79 BPM in
// one window and 158 in the next had its beats counted twice as fast for a
// while; a near tie settled the same way in every window keeps the level.
// [1, 1] index into the periods.
std::string settleOctave(GraphBuilder& g, const std::string& score, const std::string& best,
                         const std::vector<double>& periods, double step, const Tuning& t)
{
    const auto count = static_cast<int64_t>(periods.size());
    const std::string scores = g.op("Squeeze", {score, g.int64s({0})});  // [J]
    const std::string bestScore = g.op("GatherElements", {score, best}, {intAttribute("axis", 1)});
    const std::string periodValues = g.floats({count}, std::vector<float>(periods.begin(), periods.end()));
    const float centre = static_cast<float>(60.0 * kFramesPerSecond / t.tieCentreBpm);
    const auto distance = [&](const std::string& index) {
        const std::string period = g.op("Gather", {periodValues, index});
        return g.op("Abs", {g.op("Log", {div(g, period, g.scalar(centre))})});
    };
    const float shortest = static_cast<float>(periods.front());
    const std::string bestPeriod =
        add(g, g.scalar(shortest), scaled(g, g.op("Cast", {best}, {intAttribute("to", kFloat)}), static_cast<float>(step)));
    const std::string enough = scaled(g, bestScore, t.tieShare);
    const std::string positive = g.op("Greater", {bestScore, g.scalar(0.0f)});
    std::vector<std::string> indices{best}, keys{distance(best)};
    for (const float factor : {0.5f, 2.0f}) {
        const std::string exact =
            scaled(g, sub(g, scaled(g, bestPeriod, factor), g.scalar(shortest)), static_cast<float>(1.0 / step));
        const std::string inside = g.op("And", {g.op("Greater", {exact, g.scalar(-0.5f)}),
                                                g.op("Less", {exact, g.scalar(static_cast<float>(count) - 0.5f)})});
        const Candidate other = bestNear(g, scores, exact, count);
        const std::string asGood =
            g.op("And", {g.op("And", {inside, positive}), g.op("Not", {g.op("Less", {other.score, enough})})});
        indices.push_back(other.index);
        keys.push_back(g.op("Where", {asGood, distance(other.index), g.scalar(1e9f)}));
    }
    const std::string choice = g.op("ArgMin", {g.op("Concat", keys, {intAttribute("axis", 1)})},
                                    {intAttribute("axis", 1), intAttribute("keepdims", 1)});
    return g.op("GatherElements", {g.op("Concat", indices, {intAttribute("axis", 1)}), choice},
                {intAttribute("axis", 1)});
}

struct Tempo {
    std::string period;   // frames, [1, 1]
    std::string clarity;  // mean band autocorrelation at 1..4 periods, [1, 1]
};

// How firmly the onsets of [1, 3, T] keep one phase at each period over the
// window: the magnitude of their Fourier coefficient at 1 / period, the
// bands' powers summed. A true beat period, and a subdivision of it, lock;
// a period the autocorrelation only finds between onsets of different
// places in the bar (the 3 + 3 + 2 figure's three) does not. The
// coefficients are taken at frequencies half a window's resolution apart,
// two to each lobe of the lock, and spread over the periods by linear
// interpolation: at every tenth of a frame the sines and cosines alone took
// most of the model's time. [1, J].
std::string phaseLock(GraphBuilder& g, const std::string& bands, const std::string& frames,
                      const std::vector<double>& periods)
{
    constexpr double kFrequencyStep = 1.0 / (2.0 * 1500.0);  // cycles per frame
    const double lowest = 1.0 / periods.back(), highest = 1.0 / periods.front();
    const auto steps = static_cast<int64_t>(std::ceil((highest - lowest) / kFrequencyStep));
    std::vector<float> perFrame;
    for (int64_t k = 0; k <= steps; ++k)
        perFrame.push_back(static_cast<float>(2.0 * std::numbers::pi * (lowest + static_cast<double>(k) * kFrequencyStep)));
    const auto coarse = static_cast<int64_t>(perFrame.size());
    std::vector<int64_t> below;
    std::vector<float> frac;
    for (const double p : periods) {
        const double at = std::min((1.0 / p - lowest) / kFrequencyStep, static_cast<double>(steps - 1));
        below.push_back(static_cast<int64_t>(std::floor(at)));
        frac.push_back(static_cast<float>(at - std::floor(at)));
    }
    const auto count = static_cast<int64_t>(periods.size());
    const std::string column = g.op("Transpose", {frames}, {intsAttribute("perm", {1, 0})});  // [T, 1]
    const std::string angle = mul(g, column, g.floats({1, coarse}, perFrame));                  // [T, K]
    // Without its mean a band's constant part cannot leak into the slow periods.
    const std::string centred = sub(g, bands, reduce(g, "ReduceMean", bands, 2, true));
    const std::string re = g.op("MatMul", {centred, g.op("Cos", {angle})});
    const std::string im = g.op("MatMul", {centred, g.op("Sin", {angle})});
    const std::string power = reduce(g, "ReduceSum", add(g, mul(g, re, re), mul(g, im, im)), 1, false);
    const std::string lock = g.op("Sqrt", {power});  // [1, K]
    const std::string first = g.op("Gather", {lock, g.int64s(below)}, {intAttribute("axis", 1)});
    std::vector<int64_t> above = below;
    for (int64_t& k : above)
        ++k;
    const std::string second = g.op("Gather", {lock, g.int64s(above)}, {intAttribute("axis", 1)});
    return add(g, first, mul(g, sub(g, second, first), g.floats({count}, frac)));
}

Tempo tempo(GraphBuilder& g, const std::string& bands, const std::string& low, const std::string& mid,
            const std::string& frames, const std::string& frameCount, const Tuning& t)
{
    const std::vector<double> periods = candidatePeriods(t.periodStep);
    const size_t columns = periods.size();
    const size_t rows = static_cast<size_t>(kTempoLags) + 1;
    std::vector<float> comb(rows * columns, 0.0f), plain(rows * columns, 0.0f), cross(rows * columns, 0.0f);
    std::vector<float> periodValues, priorValues;
    const double priorPeriod = 60.0 * kFramesPerSecond / t.priorBpm;
    for (size_t j = 0; j < columns; ++j) {
        const double p = periods[j];
        periodValues.push_back(static_cast<float>(p));
        const double octaves = std::log2(p / priorPeriod) / t.priorOctaves;
        const double prior = std::exp(-0.5 * octaves * octaves);
        priorValues.push_back(static_cast<float>(t.priorFloor * prior));
        for (int k = 1; k <= 4; ++k) {
            addLag(comb, columns, j, k * p, prior / 4.0, kTempoLags);
            addLag(plain, columns, j, k * p, 1.0 / 12.0, kTempoLags);  // 3 bands x 4 lags
        }
        for (int k : {1, 3})
            addLag(cross, columns, j, k * p, prior * t.crossWeight / 2.0, kTempoLags);
        // A snare answering the kick a half or a third of the way through the
        // period says the period spans several beats.
        for (int k : {2, 3})
            addLag(cross, columns, j, p / k, -prior * t.crossPenalty / 2.0, kTempoLags);
    }
    const std::string ac = autocorrelation(g, bands, 3, kTempoLags, frameCount);
    // Only the autocorrelation's peaks speak for a period: onsets last a few
    // frames, so every signal correlates with itself at short lags, and
    // without this a pulseless song would always come out at the fastest tempo.
    const std::string peaks = sub(g, ac, localMean3(g, ac, t.lagMeanReach));
    const std::string summed = reduce(g, "ReduceSum", peaks, 1, false);  // [1, lags + 1]
    const std::string xc = g.op("Squeeze", {crossCorrelation(g, low, mid, kTempoLags), g.int64s({1})});
    const auto matrix = [&](const std::vector<float>& m) {
        return g.floats({static_cast<int64_t>(rows), static_cast<int64_t>(columns)}, m);
    };
    // The prior on its own as well: where no period stands out, the tempo
    // falls back towards 110 BPM instead of an edge of the range.
    const std::string evidence = add(g, g.op("MatMul", {summed, matrix(comb)}), g.op("MatMul", {xc, matrix(cross)}));
    const std::string combined = add(g, evidence, g.floats({static_cast<int64_t>(columns)}, priorValues));
    // Weighted by phase lock against the window's firmest; a window with no
    // onsets at all has no lock anywhere and keeps the prior's choice.
    const std::string lock = phaseLock(g, bands, frames, periods);
    const std::string firmest = reduce(g, "ReduceMax", lock, 1, true);
    const std::string tiny = g.scalar(1e-6f);
    const std::string weight =
        div(g, add(g, lock, tiny), add(g, add(g, lock, scaled(g, firmest, t.lockShare)), tiny));
    const std::string score = mul(g, combined, weight);
    const std::string best = settleOctave(
        g, score, g.op("ArgMax", {score}, {intAttribute("axis", 1), intAttribute("keepdims", 1)}), periods,
        t.periodStep, t);
    Tempo out;
    out.period = g.op("Gather", {g.floats({static_cast<int64_t>(columns)}, periodValues), best});
    out.clarity = g.op("GatherElements", {g.op("MatMul", {summed, matrix(plain)}), best}, {intAttribute("axis", 1)});
    return out;
}

// The autocorrelation of [1, lags + 1] at fractional lags [n]: [1, n].
std::string atLags(GraphBuilder& g, const std::string& ac, const std::string& lagsWanted, int64_t lags)
{
    const std::string clipped = g.op("Clip", {lagsWanted, g.scalar(0.0f), g.scalar(static_cast<float>(lags - 1))});
    const std::string whole = g.op("Floor", {clipped});
    const std::string frac = sub(g, clipped, whole);
    const std::string index = g.op("Cast", {whole}, {intAttribute("to", kInt64)});
    const std::string flat = g.op("Squeeze", {ac, g.int64s({0})});  // [lags + 1]
    const std::string a = g.op("Gather", {flat, index});
    const std::string b = g.op("Gather", {flat, add(g, index, g.int64s({1}))});
    return add(g, a, mul(g, sub(g, b, a), frac));
}

// cos(2 pi (t + delay) / period - local phase): 1 on the crests of the
// signal's local pulse at that period. The local phase blends a sliding
// Fourier coefficient with the window's own. [1, T].
std::string localPulse(GraphBuilder& g, const std::string& signal, const std::string& frames,
                       const std::string& period, int64_t reach, float global, float delay)
{
    const std::string angle =
        div(g, mul(g, add(g, frames, g.scalar(delay)), g.scalar(static_cast<float>(2.0 * std::numbers::pi))), period);
    const std::string c = g.op("Cos", {angle}), s = g.op("Sin", {angle});
    const auto coefficient = [&](const std::string& wave) {
        const std::string product = mul(g, signal, wave);
        const std::string whole = reduce(g, "ReduceMean", product, 1, true);
        return add(g, localMean(g, product, reach), scaled(g, whole, global));
    };
    const std::string re = coefficient(c), im = coefficient(s);
    const std::string size = g.op("Sqrt", {add(g, add(g, mul(g, re, re), mul(g, im, im)), g.scalar(1e-12f))});
    return div(g, add(g, mul(g, re, c), mul(g, im, s)), size);
}

// The local pulse, turned to where the onsets' pattern over one period
// peaks rather than where its first harmonic does. Harmonics 1 .. 4 of the
// window's Fourier coefficients (Fejer-weighted, so the pattern has no
// ringing) rebuild how the onsets fall within the period, and its highest
// of 64 places sets a turn for the whole window; the local first harmonic
// still follows drift. Where the onsets have one place in the period the
// turn is nil; where they have several (a 3 + 3 + 2 figure over a backbeat)
// the beat goes to the strongest place, not to their mean. One turn per
// window: a turn taken frame by frame would jump between two near-equal
// places and add or drop beats where it does. [1, T].
std::string patternPulse(GraphBuilder& g, const std::string& signal, const std::string& frames,
                         const std::string& period, const std::string& pulsed, int64_t reach, float global, float turnCos,
                         std::string& definite, std::string& steady)
{
    constexpr int harmonics = 4;
    constexpr int places = 64;
    const std::string turn =
        div(g, mul(g, frames, g.scalar(static_cast<float>(2.0 * std::numbers::pi))), period);  // [1, T]
    std::vector<std::string> wholes;  // [1, 1] each: cos, sin of harmonic 1, then 2 ...
    std::string re, im;               // the first harmonic's local coefficient, [1, T]
    for (int h = 1; h <= harmonics; ++h) {
        const std::string angle = h == 1 ? turn : scaled(g, turn, static_cast<float>(h));
        for (const std::string wave : {"Cos", "Sin"}) {
            const std::string product = mul(g, signal, g.op(wave, {angle}));
            const std::string whole = reduce(g, "ReduceMean", product, 1, true);
            wholes.push_back(whole);
            if (h == 1) {
                std::string& local = wave == "Cos" ? re : im;
                local = add(g, localMean(g, product, reach), scaled(g, whole, global));
            }
        }
    }
    // Row 2(h - 1) holds cos(h u) and row 2(h - 1) + 1 sin(h u) of place u.
    std::vector<float> basis(static_cast<size_t>(2 * harmonics * places));
    for (int h = 1; h <= harmonics; ++h) {
        const double weight = 1.0 - static_cast<double>(h) / (harmonics + 1);
        for (int j = 0; j < places; ++j) {
            const double u = 2.0 * std::numbers::pi * h * j / places;
            basis[static_cast<size_t>((2 * (h - 1)) * places + j)] = static_cast<float>(weight * std::cos(u));
            basis[static_cast<size_t>((2 * (h - 1) + 1) * places + j)] = static_cast<float>(weight * std::sin(u));
        }
    }
    const std::string coefficients = g.op("Concat", wholes, {intAttribute("axis", 1)});  // [1, 2H]
    const std::string pattern = g.op("MatMul", {coefficients, g.floats({2 * harmonics, places}, basis)});
    const std::string place = g.op("ArgMax", {pattern}, {intAttribute("axis", 1), intAttribute("keepdims", 1)});
    const std::string crest =
        scaled(g, g.op("Cast", {place}, {intAttribute("to", kFloat)}), static_cast<float>(2.0 * std::numbers::pi / places));
    // As unit complex numbers: the window's first-harmonic crest e^(i a),
    // the pattern's crest e^(i c), the local first harmonic e^(i l(t)); the
    // pulse is cos(turn - l(t) - (c - a)).
    const auto unit = [&](const std::string& x, const std::string& y, std::string& ux, std::string& uy) {
        const std::string size = g.op("Sqrt", {add(g, add(g, mul(g, x, x), mul(g, y, y)), g.scalar(1e-12f))});
        ux = div(g, x, size);
        uy = div(g, y, size);
    };
    // How plainly the onsets mark one place of the beat rather than two
    // half a beat apart (kick and off-beat hats alike, or a figure heard
    // either way): the first harmonic's power against the first two's. Near
    // 0 the phase is a guess that the next window may guess the other way.
    const auto power = [&](const std::string& x, const std::string& y) { return add(g, mul(g, x, x), mul(g, y, y)); };
    const std::string first = power(wholes[0], wholes[1]);
    definite = div(g, first, add(g, add(g, first, power(wholes[2], wholes[3])), g.scalar(1e-12f)));
    // Where the local pulse is weaker than the window's usual (a break, a
    // passage of held notes) its beats are less sure. [1, T], at most 1.
    const std::string localSize = g.op("Sqrt", {add(g, power(re, im), g.scalar(1e-12f))});
    const std::string usual = reduce(g, "ReduceMean", localSize, 1, true);
    steady = g.op("Clip", {div(g, localSize, add(g, usual, g.scalar(1e-9f))), g.scalar(0.0f), g.scalar(1.0f)});
    std::string ax, ay, lx, ly;
    unit(wholes[0], wholes[1], ax, ay);
    unit(re, im, lx, ly);
    const std::string cx = g.op("Cos", {crest}), cy = g.op("Sin", {crest});
    // e^(i (l + c - a)) = e^(i l) e^(i c) conj(e^(i a)). A turn of less than
    // an eighth of the period is the pattern's own blur (onsets a few frames
    // wide, drift within the window), not a second place, and a window
    // without a pulse has no pattern to speak of: no turn then.
    const std::string turnX = add(g, mul(g, cx, ax), mul(g, cy, ay)), turnY = sub(g, mul(g, cy, ax), mul(g, cx, ay));
    const std::string small =
        g.op("Or", {g.op("Greater", {turnX, g.scalar(turnCos)}),
                    g.op("Not", {pulsed})});
    const std::string sx = g.op("Where", {small, g.scalar(1.0f), turnX});
    const std::string sy = g.op("Where", {small, g.scalar(0.0f), turnY});
    const std::string px = sub(g, mul(g, lx, sx), mul(g, ly, sy)), py = add(g, mul(g, lx, sy), mul(g, ly, sx));
    return add(g, mul(g, g.op("Cos", {turn}), px), mul(g, g.op("Sin", {turn}), py));
}

std::string cosOf(GraphBuilder& g, const std::string& angle) { return g.op("Cos", {angle}); }

struct TrackerOutputs {
    std::string beat, downbeat, period, clarity, triple;
};

TrackerOutputs tracker(GraphBuilder& g, const std::string& x, const Tuning& t)
{
    const BandOnsets logOnsets = bandOnsets(g, x, 0.02f, t);
    const std::string &low = logOnsets.low, &mid = logOnsets.mid, &high = logOnsets.high, &bands = logOnsets.all;
    const auto channel = [&](const std::string& s) { return g.op("Unsqueeze", {s, g.int64s({1})}); };

    const std::string ones = add(g, scaled(g, low, 0.0f), g.scalar(1.0f));  // [1, T]
    const std::string frames = sub(g, g.op("CumSum", {ones, g.int64s({1})}), g.scalar(1.0f));
    const std::string frameCount = reduce(g, "ReduceSum", ones, 1, true);  // [1, 1]

    const Tempo beatTempo = tempo(g, bands, low, mid, frames, frameCount, t);
    const std::string& period = beatTempo.period;

    // Beats: the local pulse of all onsets; on each crest, the strongest onset nearby.
    const std::string onsets = add(g, add(g, low, mid), scaled(g, high, t.highWeight));
    const std::string clarity = beatTempo.clarity;
    const std::string pulsed = g.op("Greater", {clarity, g.scalar(t.clarityFloor)});
    // The phase is read from the onsets of the root magnitudes, the low end
    // first: kicks and bass notes fall on the beat, while off-beat hats,
    // stabs and pads pull a plain mix of the bands half a beat away; and from
    // the chord changes, which settle it where the onsets fall alike on and
    // off the beat.
    const BandOnsets rootBands = bandOnsets(g, rootMagnitudes(g, x), 1e-8f, t);
    const std::string rootOnsets = add(g, add(g, rootBands.low, rootBands.mid), scaled(g, rootBands.high, t.highWeight));
    const std::string phaseOnsets = add(g, add(g, scaled(g, rootBands.low, t.lowPhaseWeight), rootOnsets),
                                        scaled(g, chordChange(g, x, t), t.changeWeight));
    std::string definite, steady;
    const std::string pulse = patternPulse(g, phaseOnsets, frames, period, pulsed, t.pulseReach, t.pulseGlobal,
                                           t.turnCos, definite, steady);
    const std::string snap = cosOf(
        g, div(g, g.scalar(static_cast<float>(2.0 * std::numbers::pi * t.snapFrames)), period));
    const std::string onCrest = g.op("Greater", {pulse, snap});
    const std::string clear = g.op(
        "Clip", {scaled(g, sub(g, clarity, g.scalar(t.clarityFloor)), t.clarityGain), g.scalar(t.lowestLogit),
                 g.scalar(t.highestLogit)});
    std::string sure = g.op("Clip", {scaled(g, definite, t.definiteGain), g.scalar(0.0f), g.scalar(1.0f)});
    if (t.steadyShare > 0.0f)
        sure = mul(g, sure, add(g, g.scalar(1.0f - t.steadyShare), scaled(g, steady, t.steadyShare)));
    const std::string height =
        add(g, g.scalar(t.lowestLogit), mul(g, sub(g, clear, g.scalar(t.lowestLogit)), sure));
    const std::string strength = div(g, onsets, add(g, onsets, g.scalar(1.0f)));
    // Within a crest the strongest onset wins, nearer the crest on a tie;
    // the peak's height stays that of the window.
    const std::string lift = add(g, add(g, g.scalar(1.0f), scaled(g, pulse, 0.06f)), scaled(g, strength, 0.1f));
    const std::string inner = mul(g, height, lift);
    const std::string off = g.scalar(-5.0f);
    TrackerOutputs out;
    out.beat = g.op("Where", {onCrest, inner, off});

    // Meter: the bar comb at 3 and 4 beats over the bass peaks.
    const std::string barSignal = bassPeaks(g, x);
    const std::string barAc = autocorrelation(g, channel(barSignal), 1, kBarLags, frameCount);
    const std::string barLags = mul(g, period, g.floats({4}, {3.0f, 6.0f, 4.0f, 8.0f}));  // [1, 4]
    const std::string comb = atLags(g, g.op("Squeeze", {barAc, g.int64s({1})}), barLags, kBarLags);
    const std::string three = reduce(g, "ReduceSum", slice(g, comb, 0, 2, 1), 1, true);
    const std::string four = reduce(g, "ReduceSum", slice(g, comb, 2, 4, 1), 1, true);
    const std::string triple =
        g.op("Greater", {three, add(g, scaled(g, g.op("Abs", {four}), t.tripleMargin), four)});
    // A duple bar's start is a crest of the two-beat pulse, and of the two
    // such crests in four beats the one nearer the four-beat crest: music
    // whose bars repeat every two beats (6/8) still gets its bar starts.
    const auto barPulse = [&](float beats) {
        return localPulse(g, barSignal, frames, scaled(g, period, beats), t.barReach, t.barGlobal, t.onsetDelay);
    };
    const auto arcOf = [&](double beats, double barBeats) {
        return g.scalar(static_cast<float>(std::cos(2.0 * std::numbers::pi * beats / barBeats)));
    };
    const std::string onTriple = g.op("Greater", {barPulse(3.0f), arcOf(t.barArc, 3.0)});
    const std::string onDuple = g.op("And", {g.op("Greater", {barPulse(2.0f), arcOf(t.barArc, 2.0)}),
                                             g.op("Greater", {barPulse(4.0f), arcOf(1.0, 4.0)})});
    const std::string either = g.op("Or", {g.op("And", {triple, onTriple}),
                                            g.op("And", {g.op("Not", {triple}), onDuple})});
    const std::string onBar = g.op("And", {onCrest, either});
    out.downbeat = g.op("Where", {onBar, inner, off});
    out.period = period;
    out.clarity = clarity;
    out.triple = g.op("Cast", {triple}, {intAttribute("to", kFloat)});
    return out;
}

ValueInfo frameTensor(const std::string& name, bool withBands)
{
    ValueInfo v{name, kFloat, {{1, ""}, {-1, "frames"}}};
    if (withBands)
        v.dims.push_back({kBands, ""});
    return v;
}

Model build(bool diagnostics)
{
    GraphBuilder g;
    const Tuning tuning;
    const TrackerOutputs out = tracker(g, "input_spectrogram", tuning);
    g.graph.nodes.push_back({"Identity", {out.beat}, {"beat"}, {}});
    g.graph.nodes.push_back({"Identity", {out.downbeat}, {"downbeat"}, {}});
    g.graph.name = "stand_in_tempo_tracker";
    g.graph.inputs = {frameTensor("input_spectrogram", true)};
    g.graph.outputs = {frameTensor("beat", false), frameTensor("downbeat", false)};
    if (diagnostics) {
        for (const auto& [name, value] : {std::pair{"period", out.period}, std::pair{"clarity", out.clarity},
                                          std::pair{"triple", out.triple}}) {
            g.graph.nodes.push_back({"Identity", {value}, {name}, {}});
            g.graph.outputs.push_back({name, kFloat, {{1, ""}, {1, ""}}});
        }
    }
    Model model;
    model.graph = std::move(g.graph);
    model.docString = "Stand-in beat and downbeat tracker: autocorrelation tempo, comb phase, bar comb. "
                      "Not a trained network.";
    model.metadata = {{kModelIdentityKey, kStandInIdentity}};
    return model;
}

} // namespace

Model standInBeatModel() { return build(false); }
Model standInDiagnosticsModel() { return build(true); }

} // namespace onnx_model
