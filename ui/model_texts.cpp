#include "ui/model_texts.h"

HeaderIdleTexts headerIdleTexts(BeatModelKind kind)
{
    // The stand-in is a classical rhythm tracker: no text may promise the
    // trained network it replaces.
    if (kind == BeatModelKind::StandIn)
        return {u"RASTREO CL\u00C1SICO", u"AN\u00C1LISIS R\u00CDTMICO LOCAL", u"Rastreador de reserva incluido"};
    return {u"BEAT THIS!", u"AN\u00C1LISIS NEURONAL LOCAL", u"Modelo entrenado incluido"};
}

std::u16string mapCaption(BeatModelKind kind)
{
    return kind == BeatModelKind::StandIn ? u"Rastreador de reserva  /  CPU local" : u"Beat This!  /  CPU local";
}
