#include "stand_in_pulse.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "graph_math.h"

namespace onnx_model {

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

} // namespace onnx_model
