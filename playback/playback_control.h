// The window's handle on playback: start a mode at a time, stop, pause,
// seek. Everything runs on the UI thread and reaches the audio thread only
// through PlaybackState. The window passes in what it holds (song, cuts,
// playhead, mode) and acts on what comes back (timer, status label).
#pragma once
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/analysis_model.h"
#include "platform/audio_device.h"
#include "playback/playback_state.h"

inline constexpr const char* kNoBeatsToExploreMessage =
    "Esta pista no tiene beats fiables para explorar. Puedes escuchar el original y editar cortes manuales.";
inline constexpr const char* kDeviceFailureMessage =
    "El dispositivo de audio no pudo iniciar. Revisa la salida de sonido de Windows.";

struct Player {
    PlaybackState state;
    std::thread thread;  // at most one audio thread; joined before the next starts
    // The output each start plays through; tests put a device of their own here.
    std::function<platform::AudioOutput()> makeOutput = platform::systemAudioOutput;
};

// The song and the cuts as the window holds them. The audio and the
// analysis must stay unchanged while playback runs (stop it first).
struct PlaybackInputs {
    const std::vector<float>* audio = nullptr;  // null or empty: no song loaded
    const Analysis* analysis = nullptr;         // null counts as no beats
    Loop cuts;                  // A, B, O in seconds; checked for Loop and JoinTest
    double fadeSeconds = 0.06;
    float peak = -1.0f;         // the song's loudest sample when known (see songPeak)
};

// The window's own playback state.
struct PlaybackView {
    double playhead = 0.0;  // s
    PlaybackMode mode = PlaybackMode::Original;  // mode of the next start
    bool busy = false;                          // a background job runs
};

// What a start asks of the window: when started, set the playback timer,
// refresh the views and show status (the mode's label); otherwise show
// status (an error) unless it is empty (nothing was asked for).
struct StartOutcome {
    bool started = false;
    std::string status;
};

const char* modeLabel(PlaybackMode mode);

// Does nothing without a song or while busy. A failed check leaves a running
// playback running.
StartOutcome startPlayback(Player& player, const PlaybackInputs& inputs, bool busy, PlaybackMode mode, double t);
// Leaves the playhead where the sound stopped. Safe when nothing ever played.
void stopPlayback(Player& player, double& playhead);
void togglePause(Player& player);
// Moves the playhead (limited to the song) and restarts a running playback
// there in view.mode, paused again if it was paused.
StartOutcome seek(Player& player, const PlaybackInputs& inputs, PlaybackView& view, double t);
