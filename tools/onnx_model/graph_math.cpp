#include "graph_math.h"

namespace onnx_model {

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

std::string cosOf(GraphBuilder& g, const std::string& angle) { return g.op("Cos", {angle}); }

} // namespace onnx_model
