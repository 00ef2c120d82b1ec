/*
** Analysis cache file, one per song, named after the song's fingerprint.
** An 80-byte header, then the body; every number is little-endian.
**
**   offset  size  content
**        0     8  magic: the ASCII bytes "TAMRELC2"
**        8     8  checksum: 64-bit FNV-1a of every byte from offset 80 to the end
**       16     8  frame count of the decoded song the analysis was made from
**       24     4  version: 3
**       28     4  beat count        (a reader accepts at most 6000)
**       32     4  connection count  (at most 30000)
**       36     4  loop count        (at most 16)
**       40     4  overview count    (exactly 8192)
**       44     4  meter, signed     (2 to 7)
**       48     8  bpm               (64-bit float)
**       56     8  bpmLow
**       64     8  bpmHigh
**       72     8  confidence
**       80        beats:       240 bytes each, the Beat record byte for byte
**     then        connections:  20 bytes each, the Connection record
**     then        loops:        80 bytes each, the Loop record
**     then        overview:   8192 32-bit floats
**
** A valid file is therefore 32848 + 240*beats + 20*connections + 80*loops
** bytes. The engine tag is not stored: a hit always reports the cache tag.
*/
#include "cache/analysis_cache.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <thread>

#include "base/byte_io.h"
#include "base/fault_injection.h"
#include "platform/file_system.h"
#include "analysis/cut_rule.h"
#include "analysis/loop_selection.h"
#include "base/audio_constants.h"

namespace {

constexpr char kMagic[8] = {'T', 'A', 'M', 'R', 'E', 'L', 'C', '2'};
constexpr uint32_t kVersion = 3;
constexpr size_t kHeaderBytes = 80;
constexpr uint32_t kMaxBeats = 6000;
constexpr uint32_t kMaxConnections = 30000;
constexpr int32_t kMinMeter = 2;
constexpr int32_t kMaxMeter = 7;
// Far above the largest valid file (2 074 128 bytes), so a read is one bounded allocation.
constexpr uint64_t kMaxFileBytes = 8388608;
constexpr uint64_t kOverviewBytes = kOverviewSize * sizeof(float);
// FNV-1a with a basis of its own, so a file checksummed with the textbook
// basis (or left at zero) never passes by accident.
constexpr uint64_t kChecksumBasis = 0x14650fb0739d0383ULL;
constexpr uint64_t kChecksumPrime = 0x100000001b3ULL;
// Stored loops must survive the default crossfade of 60 ms.
constexpr double kStoredLoopFade = 0.06;

struct CacheHeader {
    char magic[8] = {};
    uint64_t checksum = 0;
    uint64_t frames = 0;
    uint32_t version = 0;
    uint32_t beatCount = 0;
    uint32_t connectionCount = 0;
    uint32_t loopCount = 0;
    uint32_t overviewCount = 0;
    int32_t meter = 0;
    double bpm = 0.0;
    double bpmLow = 0.0;
    double bpmHigh = 0.0;
    double confidence = 0.0;
};

uint64_t checksumOf(const uint8_t* data, size_t size)
{
    uint64_t hash = kChecksumBasis;
    for (size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= kChecksumPrime;
    }
    return hash;
}

uint64_t expectedFileBytes(uint64_t beats, uint64_t connections, uint64_t loops)
{
    return kHeaderBytes + sizeof(Beat) * beats + sizeof(Connection) * connections + sizeof(Loop) * loops +
           kOverviewBytes;
}

void encodeHeader(const CacheHeader& header, uint8_t* at)
{
    std::memcpy(at, header.magic, 8);
    putLe64(at + 8, header.checksum);
    putLe64(at + 16, header.frames);
    putLe32(at + 24, header.version);
    putLe32(at + 28, header.beatCount);
    putLe32(at + 32, header.connectionCount);
    putLe32(at + 36, header.loopCount);
    putLe32(at + 40, header.overviewCount);
    putLe32(at + 44, static_cast<uint32_t>(header.meter));
    putLe64(at + 48, std::bit_cast<uint64_t>(header.bpm));
    putLe64(at + 56, std::bit_cast<uint64_t>(header.bpmLow));
    putLe64(at + 64, std::bit_cast<uint64_t>(header.bpmHigh));
    putLe64(at + 72, std::bit_cast<uint64_t>(header.confidence));
}

CacheHeader decodeHeader(const uint8_t* at)
{
    CacheHeader header;
    std::memcpy(header.magic, at, 8);
    header.checksum = getLe64(at + 8);
    header.frames = getLe64(at + 16);
    header.version = getLe32(at + 24);
    header.beatCount = getLe32(at + 28);
    header.connectionCount = getLe32(at + 32);
    header.loopCount = getLe32(at + 36);
    header.overviewCount = getLe32(at + 40);
    header.meter = static_cast<int32_t>(getLe32(at + 44));
    header.bpm = std::bit_cast<double>(getLe64(at + 48));
    header.bpmLow = std::bit_cast<double>(getLe64(at + 56));
    header.bpmHigh = std::bit_cast<double>(getLe64(at + 64));
    header.confidence = std::bit_cast<double>(getLe64(at + 72));
    return header;
}

// The counts are checked against their limits before the size is computed
// from them, so the products cannot overflow.
bool headerValid(const CacheHeader& header, uint64_t songFrames, const std::vector<uint8_t>& file)
{
    if (std::memcmp(header.magic, kMagic, 8) != 0 || header.version != kVersion || header.frames != songFrames)
        return false;
    if (header.beatCount > kMaxBeats || header.connectionCount > kMaxConnections || header.loopCount > kMaxLoops)
        return false;
    if (header.overviewCount != kOverviewSize || header.meter < kMinMeter || header.meter > kMaxMeter)
        return false;
    if (file.size() != expectedFileBytes(header.beatCount, header.connectionCount, header.loopCount))
        return false;
    return checksumOf(file.data() + kHeaderBytes, file.size() - kHeaderBytes) == header.checksum;
}

bool finiteSum(double sum, double largest)
{
    return std::fabs(sum) <= largest;  // false for NaN too
}

// Beats must lie inside the song: playback turns their times into frame
// positions, so a negative time would read before the first frame.
bool beatsValid(const std::vector<Beat>& beats, int32_t meter, double songSeconds)
{
    double previous = 0.0;
    for (size_t i = 0; i < beats.size(); ++i) {
        const Beat& beat = beats[i];
        const double sum = beat.time + beat.duration + beat.bpm + static_cast<double>(beat.confidence) +
                           static_cast<double>(beat.loudness);
        if (!finiteSum(sum, std::numeric_limits<double>::max()))
            return false;
        if (i == 0 ? !(beat.time >= 0.0) : !(beat.time > previous))
            return false;
        if (!(beat.time < songSeconds) || beat.phase < 0 || beat.phase >= meter)
            return false;
        previous = beat.time;
    }
    return true;
}

bool connectionsValid(const std::vector<Connection>& connections, size_t beatCount)
{
    for (const Connection& connection : connections) {
        if (connection.from < 0 || connection.to < 0)
            return false;
        if (static_cast<size_t>(std::max(connection.from, connection.to)) >= beatCount)
            return false;
        const double score = connection.score;
        if (!finiteSum(score, std::numeric_limits<float>::max()) || score < 0.0 || score > 1.0)
            return false;
    }
    return true;
}

// validateCuts throws on a bad loop; the caller turns that into a miss.
void checkLoops(const std::vector<Loop>& loops, uint64_t songFrames)
{
    for (const Loop& loop : loops)
        validateCuts(songFrames, loop.start, loop.end, loop.outro, kStoredLoopFade);
}

template <typename Record>
std::vector<Record> copyRecords(const uint8_t*& at, size_t count)
{
    std::vector<Record> records(count);
    if (count > 0)
        std::memcpy(records.data(), at, count * sizeof(Record));
    at += count * sizeof(Record);
    return records;
}

template <typename Record>
void appendRecords(std::vector<uint8_t>& buffer, const std::vector<Record>& records)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(records.data());
    buffer.insert(buffer.end(), bytes, bytes + records.size() * sizeof(Record));
}

bool readWholeFile(const std::filesystem::path& file, std::vector<uint8_t>& bytes)
{
    std::error_code error;
    const uint64_t size = std::filesystem::file_size(file, error);
    if (error || size < kHeaderBytes || size > kMaxFileBytes)
        return false;
    bytes.resize(static_cast<size_t>(size));
    std::ifstream in(file, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    return in && static_cast<uint64_t>(in.gcount()) == size;
}

bool readValidated(const std::filesystem::path& file, uint64_t songFrames, Analysis& out)
{
    std::vector<uint8_t> bytes;
    if (!readWholeFile(file, bytes))
        return false;
    const CacheHeader header = decodeHeader(bytes.data());
    if (!headerValid(header, songFrames, bytes))
        return false;

    Analysis analysis;
    const uint8_t* at = bytes.data() + kHeaderBytes;
    analysis.beats = copyRecords<Beat>(at, header.beatCount);
    analysis.connections = copyRecords<Connection>(at, header.connectionCount);
    analysis.loops = copyRecords<Loop>(at, header.loopCount);
    analysis.overview = copyRecords<float>(at, header.overviewCount);

    if (!beatsValid(analysis.beats, header.meter, static_cast<double>(songFrames) / kSongFrameRate))
        return false;
    if (!connectionsValid(analysis.connections, analysis.beats.size()))
        return false;
    checkLoops(analysis.loops, songFrames);
    if (!finiteSum(header.bpm + header.bpmLow + header.bpmHigh + header.confidence,
                   std::numeric_limits<double>::max()))
        return false;

    analysis.bpm = header.bpm;
    analysis.bpmLow = header.bpmLow;
    analysis.bpmHigh = header.bpmHigh;
    analysis.confidence = header.confidence;
    analysis.meter = header.meter;
    analysis.engine = kEngineCache;
    out = std::move(analysis);
    return true;
}

std::vector<uint8_t> encodeCacheFile(uint64_t songFrames, const Analysis& analysis)
{
    CacheHeader header;
    std::memcpy(header.magic, kMagic, 8);
    header.frames = songFrames;
    header.version = kVersion;
    // No limits here: an oversized analysis is written and refused on reading.
    header.beatCount = static_cast<uint32_t>(analysis.beats.size());
    header.connectionCount = static_cast<uint32_t>(analysis.connections.size());
    header.loopCount = static_cast<uint32_t>(analysis.loops.size());
    header.overviewCount = static_cast<uint32_t>(analysis.overview.size());
    header.meter = analysis.meter;
    header.bpm = analysis.bpm;
    header.bpmLow = analysis.bpmLow;
    header.bpmHigh = analysis.bpmHigh;
    header.confidence = analysis.confidence;

    std::vector<uint8_t> buffer(kHeaderBytes);
    buffer.reserve(expectedFileBytes(analysis.beats.size(), analysis.connections.size(), analysis.loops.size()));
    appendRecords(buffer, analysis.beats);
    appendRecords(buffer, analysis.connections);
    appendRecords(buffer, analysis.loops);
    appendRecords(buffer, analysis.overview);
    header.checksum = checksumOf(buffer.data() + kHeaderBytes, buffer.size() - kHeaderBytes);
    encodeHeader(header, buffer.data());
    return buffer;
}

bool writeFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out || ioFaultNow())
        return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

} // namespace

bool readCachedAnalysis(const std::filesystem::path& file, const std::vector<float>& songAudio, Analysis& out)
{
    try {
        return readValidated(file, songAudio.size() / 2, out);
    } catch (...) {
        return false;
    }
}

void writeCachedAnalysis(const std::filesystem::path& file, const std::vector<float>& songAudio,
                         const Analysis& analysis)
{
    try {
        const std::vector<uint8_t> bytes = encodeCacheFile(songAudio.size() / 2, analysis);
        std::filesystem::create_directories(file.parent_path());
        // Each process and thread writes its own temporary file (a batch may
        // analyse two copies of one song at once); the replacing move is
        // atomic, so a reader never sees a half-written file under the final name.
        std::filesystem::path temporary = file;
        temporary += ".tmp-" + std::to_string(platform::currentProcessId()) + "-" +
                     std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()));
        if (writeFile(temporary, bytes))
            platform::replaceFile(temporary, file);
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
    } catch (...) {
        // Best effort: a missing cache entry only costs a fresh analysis.
    }
}
