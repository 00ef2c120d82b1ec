// Small helpers that add arithmetic nodes to a graph under construction:
// element-wise operations, reductions, slices along an axis and running
// means over frames. Each returns the name of its output.
#pragma once
#include <cstdint>
#include <limits>
#include <string>

#include "onnx_writer.h"

namespace onnx_model {

inline constexpr int64_t kToEnd = std::numeric_limits<int64_t>::max();

std::string slice(GraphBuilder& g, const std::string& x, int64_t start, int64_t end, int64_t axis);
std::string mul(GraphBuilder& g, const std::string& a, const std::string& b);
std::string add(GraphBuilder& g, const std::string& a, const std::string& b);
std::string sub(GraphBuilder& g, const std::string& a, const std::string& b);
std::string div(GraphBuilder& g, const std::string& a, const std::string& b);
std::string scaled(GraphBuilder& g, const std::string& a, float k);
std::string cosOf(GraphBuilder& g, const std::string& angle);
// ReduceSum, ReduceMean or ReduceMax over one axis.
std::string reduce(GraphBuilder& g, const std::string& op, const std::string& x, int64_t axis, bool keep);
// Mean over 2 * reach + 1 frames along the last axis of [1, C, T], ignoring padding.
std::string localMean3(GraphBuilder& g, const std::string& x, int64_t reach);
// The same for [1, T], from running sums.
std::string localMean(GraphBuilder& g, const std::string& x, int64_t reach);
// [1, T] scaled to unit mean power over the window, `floor` added to its root.
std::string unitPower(GraphBuilder& g, const std::string& x, float floor);

} // namespace onnx_model
