// libFuzzer target for the analysis cache reader. Built by scripts/fuzz.sh.
//
// Almost every mutation of the body breaks the checksum, which would keep
// the fuzzer out of the deeper checks. An input whose checksum field is zero
// gets the right checksum filled in, so the body validation is fuzzed too;
// seeds come in both forms.
//
// Oracle: an accepted file must hold an analysis the rest of the program can
// use safely, and writing that analysis again must give back the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cache/analysis_cache.h"
#include "platform/file_system.h"
#include "render/render_plan.h"

namespace {

// The synthetic seeds are made for a 30 s song; real seeds bring their own
// lengths, listed by the script in FUZZ_SONG_FRAMES (comma-separated frame
// counts). An input is read against the song whose length its header names
// when that is one of these or a short song (up to 2 s, so mutated lengths
// get through too), and against the 30 s song otherwise. Filling a song
// vector per input would cost more than the reading, so they stay allocated.
constexpr uint64_t kShortSongFrames = 48000 * 2;
constexpr uint64_t kDefaultFrames = 48000 * 30;
constexpr uint64_t kLongestSongFrames = 48000 * 20 * 60;
constexpr size_t kMostSongs = 4;

std::vector<std::vector<float>> knownSongs()
{
    std::vector<std::vector<float>> songs;
    songs.emplace_back(kDefaultFrames * 2, 0.0f);
    const char* listed = std::getenv("FUZZ_SONG_FRAMES");
    std::string text = listed != nullptr ? listed : "";
    size_t at = 0;
    while (at < text.size() && songs.size() < kMostSongs) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const uint64_t frames = std::strtoull(text.substr(at, comma - at).c_str(), nullptr, 10);
        if (frames > kShortSongFrames && frames <= kLongestSongFrames && frames != kDefaultFrames)
            songs.emplace_back(frames * 2, 0.0f);
        at = comma + 1;
    }
    return songs;
}

const std::vector<float>& songFor(uint64_t frames)
{
    static const std::vector<std::vector<float>> known = knownSongs();
    static std::vector<float> shortSong;
    if (frames <= kShortSongFrames) {
        shortSong.resize(frames * 2);
        return shortSong;
    }
    for (const std::vector<float>& song : known)
        if (song.size() == frames * 2)
            return song;
    return known.front();
}

std::filesystem::path scratchFile(const char* role)
{
    return std::filesystem::temp_directory_path() /
           ("tamrel-fuzz-" + std::to_string(platform::currentProcessId()) + "-" + role + ".bin");
}

uint64_t loadU64(const uint8_t* at)
{
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value |= static_cast<uint64_t>(at[i]) << (8 * i);
    return value;
}

void fillChecksumIfZero(std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 80 || loadU64(bytes.data() + 8) != 0)
        return;
    uint64_t hash = 0x14650fb0739d0383ULL;
    for (size_t i = 80; i < bytes.size(); ++i)
        hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
    for (int i = 0; i < 8; ++i)
        bytes[8 + static_cast<size_t>(i)] = static_cast<uint8_t>(hash >> (8 * i));
}

void writeAll(const std::filesystem::path& file, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void checkUsable(const Analysis& a, uint64_t frames)
{
    const double seconds = static_cast<double>(frames) / 48000.0;
    require(a.engine == kEngineCache);
    require(a.meter >= 2 && a.meter <= 7);
    require(a.overview.size() == kOverviewSize);
    require(a.beats.size() <= 6000 && a.connections.size() <= 30000 && a.loops.size() <= 16);
    for (size_t i = 0; i < a.beats.size(); ++i) {
        require(a.beats[i].time >= 0.0 && a.beats[i].time < seconds);
        require(i == 0 || a.beats[i].time > a.beats[i - 1].time);
        require(a.beats[i].phase >= 0 && a.beats[i].phase < a.meter);
    }
    for (const Connection& c : a.connections) {
        require(c.from >= 0 && c.to >= 0);
        require(static_cast<size_t>(c.from) < a.beats.size() && static_cast<size_t>(c.to) < a.beats.size());
        require(c.score >= 0.0f && c.score <= 1.0f);
    }
    for (const Loop& l : a.loops)
        validateCuts(frames, l.start, l.end, l.outro, 0.06);  // throws, and the fuzzer reports it
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::filesystem::path input = scratchFile("input");
    static const std::filesystem::path rewritten = scratchFile("rewritten");
    std::vector<uint8_t> bytes(data, data + size);
    fillChecksumIfZero(bytes);
    writeAll(input, bytes);

    const std::vector<float>& song = songFor(size >= 24 ? loadU64(bytes.data() + 16) : kDefaultFrames);
    const uint64_t frames = song.size() / 2;

    Analysis out;
    if (!readCachedAnalysis(input, song, out)) {
        require(out.engine == kEngineUnanalysed && out.beats.empty());
        return 0;
    }
    checkUsable(out, frames);
    writeCachedAnalysis(rewritten, song, out);
    require(readAll(rewritten) == bytes);
    return 0;
}
