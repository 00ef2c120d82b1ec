// The texts that name the beat model in the window, chosen from its kind.
#include <gtest/gtest.h>

#include <string>

#include "base/utf.h"
#include "ui/model_texts.h"

namespace {

// With the trained model the window reads as it always has.
TEST(ModelTexts, TheTrainedModelKeepsItsTexts)
{
    const HeaderIdleTexts idle = headerIdleTexts(BeatModelKind::Trained);
    EXPECT_EQ(idle.title, u"BEAT THIS!");
    EXPECT_EQ(idle.underTempo, u"AN\u00C1LISIS NEURONAL LOCAL");
    EXPECT_EQ(idle.modelLine, u"Modelo entrenado incluido");
    EXPECT_EQ(mapCaption(BeatModelKind::Trained), u"Beat This!  /  CPU local");
}

// The stand-in names itself and claims nothing of the trained network.
TEST(ModelTexts, TheStandInNeverClaimsTheTrainedModel)
{
    const HeaderIdleTexts idle = headerIdleTexts(BeatModelKind::StandIn);
    EXPECT_EQ(idle.modelLine, u"Rastreador de reserva incluido");
    EXPECT_EQ(mapCaption(BeatModelKind::StandIn), u"Rastreador de reserva  /  CPU local");
    const HeaderIdleTexts trained = headerIdleTexts(BeatModelKind::Trained);
    for (const std::u16string& text : {idle.title, idle.underTempo, idle.modelLine, mapCaption(BeatModelKind::StandIn)}) {
        const std::string utf8 = utf16ToUtf8(text);
        SCOPED_TRACE(utf8);
        EXPECT_FALSE(text.empty());
        for (const char* claim : {"BEAT THIS", "Beat This", "NEURONAL", "neuronal", "entrenado", "ENTRENADO"})
            EXPECT_EQ(utf8.find(claim), std::string::npos) << claim;
    }
    EXPECT_NE(idle.title, trained.title);
    EXPECT_NE(idle.underTempo, trained.underTempo);
    // The line under the tempo shares its space with the tempo range.
    EXPECT_LE(idle.underTempo.size(), trained.underTempo.size());
}

} // namespace
