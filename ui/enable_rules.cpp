#include "ui/enable_rules.h"

#include "ui/control_ids.h"

bool controlEnabled(int id, const EnableInputs& s)
{
    switch (id) {
    case kIdOpenAudio: case kIdOutputFolder: case kIdOpenSession:
        return !s.busy;
    case kIdList: case kIdFieldA: case kIdFieldB: case kIdFieldO: case kIdCrossfade: case kIdRepetitions:
    case kIdJoinTest: case kIdExport: case kIdSaveSession: case kIdPlay: case kIdOriginal: case kIdLoop:
    case kIdExplore: case kIdBeatBack: case kIdBeatForward: case kIdTarget: case kIdExact:  // work on the loaded song
        return !s.busy && s.audioLoaded;
    case kIdCancel:
        return s.busy;
    case kIdShowExport:
        return !s.busy && s.exported;
    default:
        return true;
    }
}
