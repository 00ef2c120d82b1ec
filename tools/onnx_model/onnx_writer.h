// A small ONNX model writer: a graph description in plain records, encoded as
// the protobuf wire format by hand (varints, length-delimited submessages,
// little-endian fixed32 floats), so no protobuf library is needed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace onnx_model {

// TensorProto.DataType values.
inline constexpr int32_t kFloat = 1;
inline constexpr int32_t kInt64 = 7;

struct Tensor {
    std::string name;
    int32_t dataType = kFloat;
    std::vector<int64_t> dims;
    std::vector<float> floats;    // when dataType is kFloat
    std::vector<int64_t> int64s;  // when dataType is kInt64
};

struct Attribute {
    enum class Kind { Float, Int, String, Ints };
    std::string name;
    Kind kind = Kind::Int;
    float f = 0.0f;
    int64_t i = 0;
    std::string s;
    std::vector<int64_t> ints;
};

Attribute intAttribute(std::string name, int64_t value);
Attribute intsAttribute(std::string name, std::vector<int64_t> values);
Attribute floatAttribute(std::string name, float value);
Attribute stringAttribute(std::string name, std::string value);

struct Node {
    std::string opType;
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    std::vector<Attribute> attributes;
};

// A dimension is fixed (value >= 0) or symbolic (param not empty).
struct Dimension {
    int64_t value = -1;
    std::string param;
};

struct ValueInfo {
    std::string name;
    int32_t elemType = kFloat;
    std::vector<Dimension> dims;
};

struct Graph {
    std::string name;
    std::vector<Node> nodes;
    std::vector<Tensor> initializers;
    std::vector<ValueInfo> inputs;
    std::vector<ValueInfo> outputs;
};

struct MetadataEntry {
    std::string key;
    std::string value;
};

struct Model {
    int64_t irVersion = 8;
    int64_t opsetVersion = 17;
    std::string producer = "tamrel-onnx-model";
    std::string docString;
    // Written ahead of the graph, so a reader of the file's first bytes finds them.
    std::vector<MetadataEntry> metadata;
    Graph graph;
};

// The serialized ModelProto.
std::string encodeModel(const Model& model);

// Builds graphs node by node with generated value names.
struct GraphBuilder {
    Graph graph;
    int counter = 0;

    std::string op(const std::string& opType, const std::vector<std::string>& inputs,
                   const std::vector<Attribute>& attributes = {});
    std::string int64s(const std::vector<int64_t>& values);  // 1-D int64 initializer
    std::string scalar(float value);                         // 0-D float initializer
    std::string floats(const std::vector<int64_t>& dims, const std::vector<float>& values);
};

} // namespace onnx_model
