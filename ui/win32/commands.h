// What the user's actions do: the command table for every control id, and
// the operations it shares with keys, drops, the views and the command line.
#pragma once
#include <filesystem>

#include "app/cut_entry.h"
#include "ui/win32/window_state.h"

// Runs the command of control id, unless a job runs and locks it out; a
// refused command shows its reason in a message box.
void runCommand(WindowState& s, int id);
void openSong(WindowState& s, const std::filesystem::path& path);
void stopPlaybackAndRefresh(WindowState& s);
// Widens the timeline by factor (below 1 narrows) around the middle of its window.
void zoomTimeline(WindowState& s, double factor);
// Moves the playhead to t, restarting a running playback there.
void seekTo(WindowState& s, double t);
// A key, a drag or a double click placed cut A, B or O at t (snapped with the magnet on).
void placeCutAt(WindowState& s, CutField field, double t);
