#include "stand_in_onsets.h"

#include <vector>

#include "graph_math.h"

namespace onnx_model {

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

} // namespace onnx_model
