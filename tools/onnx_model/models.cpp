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

// The same rise averaged per band.
std::string meanFlux(GraphBuilder& g, const std::string& x, int64_t lo, int64_t hi)
{
    return g.op("Mul", {positiveFlux(g, x, lo, hi), g.scalar(1.0f / static_cast<float>(hi - lo))});
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

} // namespace

Model standInBeatModel()
{
    GraphBuilder g;
    const std::string x = "input_spectrogram";
    // Every onset raises the whole spectrum. A bar start brings kick and bass:
    // a rise below about 180 Hz (bands 0 to 4) that the mid bands (650 Hz to
    // 2.5 kHz, bands 24 to 63) do not share, unlike a snare's broad noise.
    const std::string beat = adaptiveLogit(g, positiveFlux(g, x, 0, kBands), {8, 1.0f, 12, 0.25f, 2.0f, 0.5f});
    const std::string lowOnly = g.op("Sub", {meanFlux(g, x, 0, 5), meanFlux(g, x, 24, 64)});
    const std::string downbeat = adaptiveLogit(g, lowOnly, {8, 1.0f, 50, 0.5f, 0.0f, 1.0f});
    return finish(g, "stand_in_beat_tracker", beat, downbeat);
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
