#include "analysis/model_identity.h"

#include <cstdint>
#include <fstream>
#include <string_view>


namespace {

// How far into the file the metadata is looked for: the stand-in writes it
// in its first hundred bytes; a trained export keeps it after its weights.
constexpr size_t kHeadBytes = 4096;

struct Reader {
    std::string_view bytes;
    size_t at = 0;
    bool ok = true;

    uint64_t varint()
    {
        uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at >= bytes.size()) {
                ok = false;
                return 0;
            }
            const auto byte = static_cast<uint8_t>(bytes[at++]);
            value |= static_cast<uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                return value;
        }
        ok = false;
        return 0;
    }
    // A length-delimited field that lies wholly within the bytes read.
    std::string_view chunk()
    {
        const uint64_t length = varint();
        if (!ok || length > bytes.size() - at) {
            ok = false;
            return {};
        }
        const std::string_view out = bytes.substr(at, static_cast<size_t>(length));
        at += static_cast<size_t>(length);
        return out;
    }
    bool skip(int wireType)
    {
        if (wireType == 0)
            varint();
        else if (wireType == 2)
            chunk();
        else if (wireType == 1 || wireType == 5) {
            const size_t width = wireType == 1 ? 8 : 4;
            if (bytes.size() - at < width)
                ok = false;
            else
                at += width;
        } else
            ok = false;
        return ok;
    }
};

// A StringStringEntryProto: key 1, value 2.
bool isStandInEntry(std::string_view entry)
{
    Reader r{entry};
    std::string_view key, value;
    while (r.ok && r.at < entry.size()) {
        const uint64_t tag = r.varint();
        const auto field = tag >> 3;
        const auto wireType = static_cast<int>(tag & 7);
        if (wireType == 2 && (field == 1 || field == 2))
            (field == 1 ? key : value) = r.chunk();
        else
            r.skip(wireType);
    }
    return r.ok && key == kModelIdentityKey && value == kStandInIdentity;
}

} // namespace

const char* engineTag(BeatModelKind kind)
{
    return kind == BeatModelKind::StandIn ? kEngineStandIn : kEngineNeural;
}

const char* cachedEngineTag(BeatModelKind kind)
{
    return kind == BeatModelKind::StandIn ? kEngineStandInCache : kEngineCache;
}

BeatModelKind modelKindOfIdentity(const std::string& identity)
{
    return identity == kStandInIdentity ? BeatModelKind::StandIn : BeatModelKind::Trained;
}

BeatModelKind installedModelKind(const std::filesystem::path& modelFile)
{
    std::ifstream in(modelFile, std::ios::binary);
    std::string head(kHeadBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    // ModelProto: metadata_props is field 14; a field running past the
    // bytes read (the graph) ends the search.
    Reader r{head};
    while (r.ok && r.at < head.size()) {
        const uint64_t tag = r.varint();
        const auto wireType = static_cast<int>(tag & 7);
        if ((tag >> 3) == 14 && wireType == 2) {
            const std::string_view entry = r.chunk();
            if (r.ok && isStandInEntry(entry))
                return BeatModelKind::StandIn;
        } else {
            r.skip(wireType);
        }
    }
    return BeatModelKind::Trained;
}
