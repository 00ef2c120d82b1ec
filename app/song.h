// The song the program works on: its file, its decoded audio and its
// analysis. Whoever runs the program holds one (the verification run, the
// window); a load job builds a new one and hands it over whole, and export
// and playback read it through parameters while it stays put.
#pragma once
#include <filesystem>
#include <vector>

#include "analysis/analysis_model.h"

struct Song {
    std::filesystem::path path;
    std::vector<float> audio;  // interleaved stereo, 48 kHz
    Analysis analysis;
};
