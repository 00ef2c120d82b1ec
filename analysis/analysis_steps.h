// The analysis driver's own steps around the neural engine, each usable on its
// own: the overview pass, the silence gate, the song tempo, and everything
// after inference.
#pragma once
#include <span>
#include <vector>

#include "analysis/analysis_model.h"
#include "analysis/beat_model.h"
#include "analysis/spectrogram.h"
#include "base/cancel.h"

// Peak of each of 8192 equal slices of the stereo frames; throws "Audio no finito.".
std::vector<float> peakOverview(std::span<const float> stereoAudio, const TickFn& tick);
// Sets both logits of every frame whose seven-frame neighbourhood is digitally silent to -1000.
void gateSilence(Activations& activations, std::span<const float> monoAudio);
// Song confidence, tempo and tempo range from the decoded beats.
void songTempo(Analysis& analysis);
// From the model's activations to a complete analysis: silence gate, beats,
// meter, tempo, descriptors, connections and loops, with the progress reports
// of these steps. The activations are gated in place.
void finishAnalysis(Analysis& analysis, Activations& activations, std::span<const float> monoAudio,
                    const Spectrogram& spectrogram, double songDuration, const TickFn& tick,
                    const ProgressFn& progress);
