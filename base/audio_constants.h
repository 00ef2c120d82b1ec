// The program's two audio forms and the song lengths it accepts.
#pragma once
#include <cstdint>

// Song audio: interleaved stereo float at this many frames per second.
inline constexpr uint32_t kSongFrameRate = 48000;
inline constexpr uint32_t kSongChannels = 2;
// Analysis audio: mono float at this many samples per second.
inline constexpr uint32_t kAnalysisSampleRate = 22050;
// The spectrogram advances this many analysis samples per frame, which
// gives it (and the beat model's activations) 50 frames per second.
inline constexpr uint32_t kSpectrogramHop = 441;
inline constexpr uint32_t kSpectrogramFrameRate = kAnalysisSampleRate / kSpectrogramHop;
static_assert(kSpectrogramFrameRate * kSpectrogramHop == kAnalysisSampleRate);

// The song lengths the program accepts, and what it tells the user about
// any other length.
inline constexpr uint32_t kShortestSongSeconds = 20;
inline constexpr uint32_t kLongestSongSeconds = 1200;
inline constexpr const char* kSongLengthMessage = "Duracion admitida: de 20 segundos a 20 minutos.";
