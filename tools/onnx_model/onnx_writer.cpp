#include "onnx_writer.h"

#include <bit>
#include <cstring>

namespace onnx_model {

namespace {

// Protobuf wire types.
constexpr int kVarint = 0;
constexpr int kLengthDelimited = 2;
constexpr int kFixed32 = 5;

void putVarint(std::string& out, uint64_t value)
{
    while (value >= 0x80) {
        out.push_back(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

void putKey(std::string& out, int field, int wireType)
{
    putVarint(out, (static_cast<uint64_t>(field) << 3) | static_cast<uint64_t>(wireType));
}

// int32/int64 fields: negative values take ten bytes, two's complement.
void putInt(std::string& out, int field, int64_t value)
{
    putKey(out, field, kVarint);
    putVarint(out, static_cast<uint64_t>(value));
}

void putBytes(std::string& out, int field, const std::string& bytes)
{
    putKey(out, field, kLengthDelimited);
    putVarint(out, bytes.size());
    out += bytes;
}

void putFloatBits(std::string& out, float value)
{
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

void putFloat(std::string& out, int field, float value)
{
    putKey(out, field, kFixed32);
    putFloatBits(out, value);
}

void putPackedInts(std::string& out, int field, const std::vector<int64_t>& values)
{
    std::string packed;
    for (const int64_t v : values)
        putVarint(packed, static_cast<uint64_t>(v));
    putBytes(out, field, packed);
}

// TensorProto: dims 1, data_type 2, float_data 4, int64_data 7, name 8.
std::string encodeTensor(const Tensor& t)
{
    std::string out;
    putPackedInts(out, 1, t.dims);
    putInt(out, 2, t.dataType);
    if (t.dataType == kFloat) {
        std::string packed;
        for (const float f : t.floats)
            putFloatBits(packed, f);
        putBytes(out, 4, packed);
    } else {
        putPackedInts(out, 7, t.int64s);
    }
    putBytes(out, 8, t.name);
    return out;
}

// AttributeProto: name 1, f 2, i 3, s 4, ints 8, type 20
// (AttributeType FLOAT 1, INT 2, STRING 3, INTS 7).
std::string encodeAttribute(const Attribute& a)
{
    std::string out;
    putBytes(out, 1, a.name);
    switch (a.kind) {
    case Attribute::Kind::Float:
        putFloat(out, 2, a.f);
        putInt(out, 20, 1);
        break;
    case Attribute::Kind::Int:
        putInt(out, 3, a.i);
        putInt(out, 20, 2);
        break;
    case Attribute::Kind::String:
        putBytes(out, 4, a.s);
        putInt(out, 20, 3);
        break;
    case Attribute::Kind::Ints:
        for (const int64_t v : a.ints)
            putInt(out, 8, v);
        putInt(out, 20, 7);
        break;
    }
    return out;
}

// NodeProto: input 1, output 2, name 3, op_type 4, attribute 5.
std::string encodeNode(const Node& n, size_t index)
{
    std::string out;
    for (const std::string& in : n.inputs)
        putBytes(out, 1, in);
    for (const std::string& o : n.outputs)
        putBytes(out, 2, o);
    std::string name = n.opType;
    name += '_';
    name += std::to_string(index);
    putBytes(out, 3, name);
    putBytes(out, 4, n.opType);
    for (const Attribute& a : n.attributes)
        putBytes(out, 5, encodeAttribute(a));
    return out;
}

// ValueInfoProto: name 1, type 2. TypeProto: tensor_type 1.
// TypeProto.Tensor: elem_type 1, shape 2. TensorShapeProto: dim 1.
// Dimension: dim_value 1, dim_param 2.
std::string encodeValueInfo(const ValueInfo& v)
{
    std::string shape;
    for (const Dimension& d : v.dims) {
        std::string dim;
        if (d.param.empty())
            putInt(dim, 1, d.value);
        else
            putBytes(dim, 2, d.param);
        putBytes(shape, 1, dim);
    }
    std::string tensorType;
    putInt(tensorType, 1, v.elemType);
    putBytes(tensorType, 2, shape);
    std::string type;
    putBytes(type, 1, tensorType);
    std::string out;
    putBytes(out, 1, v.name);
    putBytes(out, 2, type);
    return out;
}

// GraphProto: node 1, name 2, initializer 5, input 11, output 12.
std::string encodeGraph(const Graph& g)
{
    std::string out;
    for (size_t i = 0; i < g.nodes.size(); ++i)
        putBytes(out, 1, encodeNode(g.nodes[i], i));
    putBytes(out, 2, g.name);
    for (const Tensor& t : g.initializers)
        putBytes(out, 5, encodeTensor(t));
    for (const ValueInfo& v : g.inputs)
        putBytes(out, 11, encodeValueInfo(v));
    for (const ValueInfo& v : g.outputs)
        putBytes(out, 12, encodeValueInfo(v));
    return out;
}

// A fresh value name; built by appending because "v" + std::to_string(...)
// trips a false -Wrestrict in g++ 12.
std::string freshName(char prefix, int& counter)
{
    std::string name(1, prefix);
    name += std::to_string(counter++);
    return name;
}

} // namespace

Attribute intAttribute(std::string name, int64_t value)
{
    Attribute a;
    a.name = std::move(name);
    a.kind = Attribute::Kind::Int;
    a.i = value;
    return a;
}

Attribute intsAttribute(std::string name, std::vector<int64_t> values)
{
    Attribute a;
    a.name = std::move(name);
    a.kind = Attribute::Kind::Ints;
    a.ints = std::move(values);
    return a;
}

Attribute floatAttribute(std::string name, float value)
{
    Attribute a;
    a.name = std::move(name);
    a.kind = Attribute::Kind::Float;
    a.f = value;
    return a;
}

Attribute stringAttribute(std::string name, std::string value)
{
    Attribute a;
    a.name = std::move(name);
    a.kind = Attribute::Kind::String;
    a.s = std::move(value);
    return a;
}

// ModelProto: ir_version 1, producer_name 2, doc_string 6, graph 7,
// opset_import 8, metadata_props 14 (StringStringEntryProto: key 1, value 2).
// OperatorSetIdProto: domain 1 (empty: the default domain), version 2.
// Protobuf readers take fields in any order; the metadata goes first.
std::string encodeModel(const Model& model)
{
    std::string out;
    putInt(out, 1, model.irVersion);
    for (const MetadataEntry& entry : model.metadata) {
        std::string pair;
        putBytes(pair, 1, entry.key);
        putBytes(pair, 2, entry.value);
        putBytes(out, 14, pair);
    }
    putBytes(out, 2, model.producer);
    if (!model.docString.empty())
        putBytes(out, 6, model.docString);
    putBytes(out, 7, encodeGraph(model.graph));
    std::string opset;
    putBytes(opset, 1, "");
    putInt(opset, 2, model.opsetVersion);
    putBytes(out, 8, opset);
    return out;
}

std::string GraphBuilder::op(const std::string& opType, const std::vector<std::string>& inputs,
                             const std::vector<Attribute>& attributes)
{
    std::string output = freshName('v', counter);
    graph.nodes.push_back({opType, inputs, {output}, attributes});
    return output;
}

std::string GraphBuilder::int64s(const std::vector<int64_t>& values)
{
    Tensor t;
    t.name = freshName('c', counter);
    t.dataType = kInt64;
    t.dims = {static_cast<int64_t>(values.size())};
    t.int64s = values;
    graph.initializers.push_back(t);
    return t.name;
}

std::string GraphBuilder::floats(const std::vector<int64_t>& dims, const std::vector<float>& values)
{
    Tensor t;
    t.name = freshName('c', counter);
    t.dims = dims;
    t.floats = values;
    graph.initializers.push_back(t);
    return t.name;
}

std::string GraphBuilder::scalar(float value)
{
    Tensor t;
    t.name = freshName('c', counter);
    t.floats = {value};
    graph.initializers.push_back(t);
    return t.name;
}

} // namespace onnx_model
