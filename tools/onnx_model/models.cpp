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

} // namespace

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
