#include "ui/model_texts.h"

#include "app/window_texts.h"
#include "base/utf.h"

HeaderIdleTexts headerIdleTexts(BeatModelKind kind)
{
    // The stand-in is a classical rhythm tracker: no text may promise the
    // trained network it replaces.
    if (kind == BeatModelKind::StandIn)
        return {utf8ToUtf16(kStandInTitle), utf8ToUtf16(kStandInUnderTempo), utf8ToUtf16(kStandInModelLine)};
    return {utf8ToUtf16(kTrainedTitle), utf8ToUtf16(kTrainedUnderTempo), utf8ToUtf16(kTrainedModelLine)};
}

std::u16string mapCaption(BeatModelKind kind)
{
    return utf8ToUtf16(kind == BeatModelKind::StandIn ? kStandInMapCaption : kTrainedMapCaption);
}
