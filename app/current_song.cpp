#include "app/current_song.h"

std::filesystem::path currentSongPath;
std::vector<float> currentAudio;
Analysis currentAnalysis;
