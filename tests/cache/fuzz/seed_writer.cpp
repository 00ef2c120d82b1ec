// Writes valid analysis cache files from synthetic analyses as the fuzzer's
// first corpus: each once as written and once with its checksum field zeroed
// (the fuzz target fills that in, so mutations reach the body checks).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cache/analysis_cache.h"
#include "tests/cache/synthetic_analysis.h"

namespace {

void writeSeed(const std::filesystem::path& folder, const std::string& name, const Analysis& analysis)
{
    const auto file = folder / (name + ".bin");
    writeCachedAnalysis(file, silentSong(kSyntheticSongFrames), analysis);
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 80) {
        std::fprintf(stderr, "seed %s was not written\n", name.c_str());
        std::exit(1);
    }
    std::fill(bytes.begin() + 8, bytes.begin() + 16, 0);
    std::ofstream zeroed(folder / (name + "-unsealed.bin"), std::ios::binary | std::ios::trunc);
    zeroed.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    writeSeed(folder, "no-beats", syntheticAnalysis(0, 0));
    writeSeed(folder, "few-beats", syntheticAnalysis(7, 0, 3));
    writeSeed(folder, "small", syntheticAnalysis(12, 2));
    writeSeed(folder, "waltz", syntheticAnalysis(24, 3, 3));
    writeSeed(folder, "sixteen-loops", syntheticAnalysis(20, 16, 7));
    return 0;
}
