// What the user's actions do: the command handler for every control id, the
// keyboard hook, and the operations they share with drops and the command line.
#pragma once
#include <windows.h>

#include <filesystem>

#include "app/cut_entry.h"

void runCommand(int id);
// True when the hook consumed the message.
bool keyboardHook(const MSG& message);
void openSong(const std::filesystem::path& path);
void stopPlaybackAndRefresh();
// Widens the timeline by factor (below 1 narrows) around the middle of its window.
void zoomTimeline(double factor);
// Moves the playhead to t, restarting a running playback there.
void seekTo(double t);
// A key, a drag or a double click placed cut A, B or O at t (snapped with the magnet on).
void placeCutAt(CutField field, double t);
