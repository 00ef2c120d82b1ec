#include "models.h"

#include <cstdint>
#include <limits>

namespace onnx_model {

namespace {

constexpr int64_t kBands = 128;
constexpr int64_t kToEnd = std::numeric_limits<int64_t>::max();

ValueInfo spectrogramInput(const std::string& name = "input_spectrogram")
{
    return {name, kFloat, {{1, ""}, {-1, "frames"}, {kBands, ""}}};
}

ValueInfo frameOutput(const std::string& name)
{
    return {name, kFloat, {{1, ""}, {-1, "frames"}}};
}

Model finish(GraphBuilder& g, const std::string& graphName, const std::string& beat, const std::string& downbeat,
             const std::string& inputName = "input_spectrogram")
{
    g.graph.nodes.push_back({"Identity", {beat}, {"beat"}, {}});
    g.graph.nodes.push_back({"Identity", {downbeat}, {"downbeat"}, {}});
    g.graph.name = graphName;
    g.graph.inputs = {spectrogramInput(inputName)};
    g.graph.outputs = {frameOutput("beat"), frameOutput("downbeat")};
    Model model;
    model.graph = std::move(g.graph);
    return model;
}

std::string slice(GraphBuilder& g, const std::string& x, int64_t start, int64_t end, int64_t axis)
{
    return g.op("Slice", {x, g.int64s({start}), g.int64s({end}), g.int64s({axis})});
}

// Rise of every band from the previous frame, summed over bands lo..hi-1;
// the first frame has no predecessor and gets 0. Shape [1, T].
std::string positiveFlux(GraphBuilder& g, const std::string& x, int64_t lo, int64_t hi)
{
    const std::string bands = slice(g, x, lo, hi, 2);
    const std::string rise = g.op("Relu", {g.op("Sub", {slice(g, bands, 1, kToEnd, 1), slice(g, bands, 0, -1, 1)})});
    const std::string sum = g.op("ReduceSum", {rise, g.int64s({2})}, {intAttribute("keepdims", 0)});
    return g.op("Pad", {sum, g.int64s({0, 1, 0, 0})});
}

// Over a window of 2 * reach + 1 frames along time: the mean (AveragePool,
// ignoring padding) or the maximum. Shape [1, T] in and out.
std::string localPool(GraphBuilder& g, const std::string& signal, const std::string& pool, int64_t reach)
{
    const std::string channels = g.op("Unsqueeze", {signal, g.int64s({1})});
    std::vector<Attribute> attributes = {intsAttribute("kernel_shape", {2 * reach + 1}),
                                         intsAttribute("pads", {reach, reach})};
    if (pool == "AveragePool")
        attributes.push_back(intAttribute("count_include_pad", 0));
    return g.op("Squeeze", {g.op(pool, {channels}, attributes), g.int64s({1})});
}

struct Threshold {
    int64_t meanReach;  // frames each side of the local mean
    float meanWeight;
    int64_t maxReach;   // frames each side of the local maximum
    float maxWeight;
    float floor;        // flux needed over the adaptive part before a logit turns positive
    float gain;
};

// gain * (flux - meanWeight * local mean - maxWeight * local max - floor)
std::string adaptiveLogit(GraphBuilder& g, const std::string& flux, const Threshold& t)
{
    const std::string mean = g.op("Mul", {localPool(g, flux, "AveragePool", t.meanReach), g.scalar(t.meanWeight)});
    const std::string peak = g.op("Mul", {localPool(g, flux, "MaxPool", t.maxReach), g.scalar(t.maxWeight)});
    const std::string over = g.op("Sub", {g.op("Sub", {g.op("Sub", {flux, mean}), peak}), g.scalar(t.floor)});
    return g.op("Mul", {over, g.scalar(t.gain)});
}

// Mean level of bands lo..hi-1 in each frame. Shape [1, T].
std::string bandLevel(GraphBuilder& g, const std::string& x, int64_t lo, int64_t hi)
{
    const std::string sum = g.op("ReduceSum", {slice(g, x, lo, hi, 2), g.int64s({2})}, {intAttribute("keepdims", 0)});
    return g.op("Mul", {sum, g.scalar(1.0f / static_cast<float>(hi - lo))});
}

// The signal `frames` frames earlier, zero before the window. Shape [1, T].
std::string delayed(GraphBuilder& g, const std::string& signal, int64_t frames)
{
    return g.op("Pad", {slice(g, signal, 0, -frames, 1), g.int64s({0, frames, 0, 0})});
}

// A bar start is where the kick lands: the low bands (below about 130 Hz)
// jump to the loudest level of the surrounding bar. All three must hold:
// within `margin` of the local maximum, above a floor that rules out
// silence, and risen by `rise` over the last three frames (no sustained drone).
std::string barStartLogit(GraphBuilder& g, const std::string& x)
{
    // 2 s each side: the last beat of a 4/4 bar still sees its own bar start
    // down to 90 BPM, so a final snare is not taken for one.
    constexpr int64_t reach = 100;
    const float margin = 0.6f;
    const float floor = 2.0f;
    const float rise = 0.5f;
    const float gain = 4.0f;
    const std::string level = bandLevel(g, x, 0, 3);
    const std::string nearTop =
        g.op("Add", {g.op("Sub", {level, localPool(g, level, "MaxPool", reach)}), g.scalar(margin)});
    const std::string audible = g.op("Sub", {level, g.scalar(floor)});
    const std::string rising = g.op("Sub", {g.op("Sub", {level, delayed(g, level, 3)}), g.scalar(rise)});
    return g.op("Mul", {g.op("Min", {nearTop, audible, rising}), g.scalar(gain)});
}

} // namespace

Model standInBeatModel()
{
    GraphBuilder g;
    const std::string x = "input_spectrogram";
    // Every onset raises the whole spectrum.
    const std::string beat = adaptiveLogit(g, positiveFlux(g, x, 0, kBands), {8, 1.0f, 12, 0.25f, 4.0f, 0.5f});
    return finish(g, "stand_in_beat_tracker", beat, barStartLogit(g, x));
}

Model probeModel()
{
    GraphBuilder g;
    const std::string x = "input_spectrogram";
    const std::string band0 = g.op("Squeeze", {slice(g, x, 0, 1, 2), g.int64s({2})});
    const std::string ones = g.op("Add", {g.op("Mul", {band0, g.scalar(0.0f)}), g.scalar(1.0f)});
    const std::string position = g.op("Sub", {g.op("CumSum", {ones, g.int64s({1})}), g.scalar(1.0f)});
    return finish(g, "window_probe", band0, position);
}

Model wrongInputModel()
{
    GraphBuilder g;
    const std::string band0 = g.op("Squeeze", {slice(g, "spectrogram", 0, 1, 2), g.int64s({2})});
    return finish(g, "wrong_input", band0, band0, "spectrogram");
}

Model shortOutputModel()
{
    GraphBuilder g;
    const std::string x = "input_spectrogram";
    const std::string first = g.op("Squeeze", {slice(g, slice(g, x, 0, 1, 2), 0, 1, 1), g.int64s({2})});
    return finish(g, "short_output", first, first);
}

} // namespace onnx_model
