#include "ui/enable_rules.h"

bool controlEnabled(int id, const EnableInputs& s)
{
    switch (id) {
    case 100: case 101: case 115:  // opening a song or session, choosing a folder
        return !s.busy;
    case 102: case 103: case 104: case 105: case 106: case 107: case 108: case 111: case 114:
    case 117: case 118: case 119: case 120: case 124: case 125:  // work on the loaded song
        return !s.busy && s.audioLoaded;
    case 112:
        return s.busy;
    case 113:
        return !s.busy && s.exported;
    default:
        return true;
    }
}
