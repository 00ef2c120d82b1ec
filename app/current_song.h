// The process-wide current song. The UI thread owns it; the verification run
// fills it directly; the export job and the audio thread only read it.
#pragma once
#include <filesystem>
#include <vector>

#include "analysis/analysis_model.h"

extern std::filesystem::path currentSongPath;
extern std::vector<float> currentAudio;
extern Analysis currentAnalysis;
