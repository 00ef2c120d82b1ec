// Songs for tests. The build generates the demo song (96 s, 120 BPM, 4/4) in
// every supported format into fixtureDir(): demo.wav, demo.mp3, demo.flac,
// demo.ogg, demo.m4a, demo.aac, demo.opus, demo.wma, plus its true beat grid
// demo.beats.txt. Tests that need another length, tempo or meter synthesise
// their own song with writeSongFixture.
#pragma once
#include <filesystem>
#include <vector>

#include "tools/demo_song/song_synth.h"

std::filesystem::path fixtureDir();

// Reads a beat list as tools/demo_song writes it (time, tab, 1 for a downbeat).
std::vector<GridBeat> readBeatList(const std::filesystem::path& path);

// Writes folder/name.wav (16-bit stereo, 44.1 kHz) and folder/name.beats.txt;
// returns the WAV path.
std::filesystem::path writeSongFixture(const std::filesystem::path& folder, const std::string& name,
                                       double seconds, double bpm, int meter);

// A 44.1 kHz interleaved stereo song in the two forms the analysis takes,
// without the decoder. Plain resampling is enough for tests: 48 kHz stereo by
// linear interpolation, 22 050 Hz mono by averaging sample pairs.
struct AnalysisForms {
    std::vector<float> stereo;  // 48 kHz
    std::vector<float> mono;    // 22 050 Hz
};
AnalysisForms analysisFormsOf(const std::vector<float>& stereo44k);
