// What the window does with a job's progress and result, and the playback
// timer that follows the audio thread.
#pragma once
#include "ui/win32/window_state.h"

// A job's posted result (the payload of its message) is adopted.
void adoptResult(WindowState& s, void* payload);
// A job that ended without posting its result is adopted all the same.
void checkLostResult(WindowState& s);
void showProgress(WindowState& s, void* payload);
void onPlaybackTimer(WindowState& s);
