// Which controls a user may press in each state of the window.
#pragma once

struct EnableInputs {
    bool busy = false;
    bool audioLoaded = false;
    bool exported = false;  // an export has succeeded in this run
};

// Whether the control with this id is enabled; ids the rules do not name
// (stop, help, zoom, magnet, the labels) are always enabled.
bool controlEnabled(int id, const EnableInputs& state);
