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
//
// The onsets live in stand_in_onsets, the tempo in stand_in_tempo, the
// pulses in stand_in_pulse and every tuned number in stand_in_tuning.h; this
// file wires them into the graph.
#include "models.h"

#include "analysis/model_identity.h"

#include <cmath>
#include <numbers>

#include "graph_math.h"
#include "stand_in_onsets.h"
#include "stand_in_pulse.h"
#include "stand_in_tempo.h"
#include "stand_in_tuning.h"

namespace onnx_model {

namespace {

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
