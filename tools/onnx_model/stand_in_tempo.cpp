#include "stand_in_tempo.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "graph_math.h"

namespace onnx_model {

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

namespace {

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

} // namespace

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

} // namespace onnx_model
