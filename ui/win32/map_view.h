// The connection map: the whole song as a ring of beats coloured by pitch,
// every compatible jump as a curve across it, the beat under the mouse or at
// the playhead with its jumps, and a flash for a jump the exploration takes.
// A click seeks to a beat; a double click sets cut A there. Created with the
// window's state as its creation parameter.
#pragma once
#include <windows.h>

LRESULT CALLBACK mapProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
