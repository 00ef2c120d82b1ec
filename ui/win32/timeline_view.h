// The timeline: the stereo waveform of the visible window with beats, bar
// lines, the loop region, the cut markers and the playhead. The wheel zooms,
// a click seeks, and dragging a marker writes its field, so the fields and
// the timeline always agree. Created with the window's state as its creation
// parameter.
#pragma once
#include <windows.h>

LRESULT CALLBACK timelineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
