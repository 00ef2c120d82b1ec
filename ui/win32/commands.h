// What the user's actions do: the command handler for every control id, the
// keyboard hook, and the operations they share with drops and the command line.
#pragma once
#include <windows.h>

#include <filesystem>

#include "playback/playback_control.h"

void runCommand(int id);
// True when the hook consumed the message.
bool keyboardHook(const MSG& message);
void openSong(const std::filesystem::path& path);
void stopPlaybackAndRefresh();
void zoomTimeline(double factor);
// The song and the cut fields as playback takes them.
PlaybackInputs playbackInputs();
