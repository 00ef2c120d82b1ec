// The window's texts that name the beat model, chosen from its kind: what
// the header shows before a song is analysed, and the connection map's
// caption. Each fits the space the trained model's text has.
#pragma once
#include <string>

#include "analysis/analysis_model.h"

struct HeaderIdleTexts {
    std::u16string title;       // in place of the beat count
    std::u16string underTempo;  // in place of the tempo range
    std::u16string modelLine;   // in place of the mean probability and meter
};

HeaderIdleTexts headerIdleTexts(BeatModelKind kind);
std::u16string mapCaption(BeatModelKind kind);
