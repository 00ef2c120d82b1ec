// The user's actions on the window's document, without a window: typing,
// choosing candidates, adopting results, playing and sessions.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "app/document.h"
#include "app/document_playback.h"
#include "playback/virtual_device.h"
#include "support/message_of.h"

namespace {

constexpr const char* kNumberMessage = "Introduce numeros validos en segundos; puedes usar punto o coma decimal.";

Loop candidate(double a, double b, double o)
{
    Loop loop = cutRecord(a, b, o);
    loop.startBeat = 0;
    return loop;
}

// A loaded 60-second song of silence with beats every half second and two
// candidates whose times need more than 6 decimals.
Result loadResult(bool beats = true)
{
    LoadOutcome load;
    load.audio.assign(2 * 60 * 48000, 0.0f);
    if (beats)
        for (int i = 0; i < 120; ++i) {
            Beat beat;
            beat.time = 0.5 * i;
            load.analysis.beats.push_back(beat);
        }
    load.analysis.loops = {candidate(4.1234567, 20.0000004, 40.5), candidate(8.0, 16.0, 30.0)};
    load.peak = 0.75f;
    load.loaded = true;
    return {load, {}, false};
}

Document loadedDocument(bool beats = true)
{
    Document doc;
    Result result = loadResult(beats);
    adoptResult(doc, result);
    return doc;
}

void useSilentDevice(Player& player)
{
    player.makeOutput = [] {
        auto device = std::make_shared<VirtualDevice>();
        device->stallAt.store(0);  // holds at once: playing, with the playhead where it started
        return virtualOutput(device);
    };
}

} // namespace

TEST(Document, AdoptingALoadShowsTheBestCandidateAsTheFieldsShowIt)
{
    Document doc = loadedDocument();
    EXPECT_EQ(doc.candidate, 1);
    // What is kept is what the fields read back: 6 decimals.
    EXPECT_EQ(fieldOf(doc.entry, CutField::Start).value, 4.123457);
    EXPECT_EQ(fieldOf(doc.entry, CutField::End).value, 20.0);
    EXPECT_EQ(fieldOf(doc.entry, CutField::Outro).value, 40.5);
    EXPECT_EQ(doc.view.playhead, 0.0);
    // Playback takes the level the load measured.
    EXPECT_EQ(playbackInputs(doc).peak, 0.75f);

    chooseCandidate(doc, 2);
    EXPECT_EQ(doc.candidate, 2);
    EXPECT_EQ(enteredCuts(doc.entry).start, 8.0);
    chooseCandidate(doc, 3);  // no such row: nothing moves
    EXPECT_EQ(doc.candidate, 2);
    chooseCandidate(doc, 0);
    EXPECT_EQ(doc.candidate, 0);
    EXPECT_EQ(enteredCuts(doc.entry).start, 8.0);
}

TEST(Document, ALoadThatFailedDropsTheSongAndSaysWhyInABox)
{
    Document doc = loadedDocument();
    const uint64_t generation = doc.songGeneration;
    Result failed{LoadOutcome{}, u"Archivo no valido.", false};
    const Notice notice = adoptResult(doc, failed);
    EXPECT_FALSE(songLoaded(doc));
    EXPECT_GT(doc.songGeneration, generation);
    EXPECT_EQ(notice.status, "Archivo no valido.");
    EXPECT_TRUE(notice.messageBox);

    Result cancelled{LoadOutcome{}, u"Operacion cancelada. El original se conserva.", true};
    EXPECT_FALSE(adoptResult(doc, cancelled).messageBox);
}

TEST(Document, TypedFieldsAreReadOnceAndEveryCheckGivesItsMessage)
{
    const struct {
        CutField field;
        std::u16string text;
        const char* message;  // from checkedSettings; null: accepted
        int candidate;        // the list row afterwards
    } cases[] = {
        {CutField::Start, u"9,5", nullptr, 0},
        {CutField::Start, u"9x", kNumberMessage, 0},
        {CutField::End, u"3", "Cortes invalidos: inicio < fin del loop <= inicio del final < duracion. Fundido: 5 a 250 ms.", 0},
        {CutField::Crossfade, u"80", nullptr, 1},
        {CutField::Crossfade, u"300", "Cortes invalidos: inicio < fin del loop <= inicio del final < duracion. Fundido: 5 a 250 ms.", 1},
        {CutField::Repetitions, u"100", nullptr, 1},
        {CutField::Repetitions, u"0", kRepetitionsMessage, 1},
        {CutField::Repetitions, u"101", kRepetitionsMessage, 1},
        {CutField::Repetitions, u"2.5", kRepetitionsMessage, 1},
        {CutField::Repetitions, u"2,5x", kNumberMessage, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        Document doc = loadedDocument();
        typeField(doc, c.field, c.text);
        EXPECT_EQ(doc.candidate, c.candidate);
        if (c.message)
            EXPECT_EQ(testsupport::messageOf([&] { checkedSettings(doc); }), c.message);
        else
            EXPECT_NO_THROW(checkedSettings(doc));
    }
}

TEST(Document, TypedCutsReadWithPointOrCommaAndAnyUnreadableOneStopsThem)
{
    Document doc;
    typeField(doc, CutField::Start, u"8");
    typeField(doc, CutField::End, u"40,5");
    typeField(doc, CutField::Outro, u" 120");
    const Loop cuts = enteredCuts(doc.entry);
    EXPECT_EQ(cuts.start, 8.0);
    EXPECT_EQ(cuts.end, 40.5);
    EXPECT_EQ(cuts.outro, 120.0);
    EXPECT_EQ(cuts.startBeat, -1);
    for (const auto& [field, text] : {std::pair{CutField::Start, u"x"}, {CutField::End, u""}, {CutField::Outro, u"3s"}}) {
        Document bad = doc;
        typeField(bad, field, text);
        EXPECT_EQ(testsupport::messageOf([&] { enteredCuts(bad.entry); }), kNumberMessage);
    }
}

TEST(Document, AFieldThatDoesNotReadMovesOnlyItsOwnMarker)
{
    Document doc = loadedDocument();
    typeField(doc, CutField::End, u"abc");
    const auto markers = markerTimes(doc.entry);
    EXPECT_EQ(markers[0], 4.123457);
    EXPECT_EQ(markers[1], 0.0);
    EXPECT_EQ(markers[2], 40.5);
}

TEST(Document, PlacedCutsSnapToBeatsWithTheMagnetAndGoManual)
{
    Document doc = loadedDocument();
    EXPECT_EQ(placeCut(doc, CutField::Start, 10.2), 10.0);
    EXPECT_EQ(doc.candidate, 0);
    doc.magnet = false;
    EXPECT_EQ(placeCut(doc, CutField::Outro, 41.123456789), 41.123457);
}

TEST(Document, ExploringASongWithoutBeatsKeepsTheOriginalPlaying)
{
    Document doc = loadedDocument(false);
    Player player;
    useSilentDevice(player);
    ASSERT_TRUE(play(doc, player, PlaybackMode::Original, 1.0).started);
    const StartOutcome outcome = chooseMode(doc, player, PlaybackMode::Explore);
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.status, kNoBeatsToExploreMessage);
    EXPECT_TRUE(player.state.playing.load()) << "the original must go on";
    EXPECT_EQ(doc.view.mode, PlaybackMode::Original);
    stop(doc, player);
}

TEST(Document, PlayingNeedsEveryCutFieldToRead)
{
    Document doc = loadedDocument();
    Player player;
    useSilentDevice(player);
    typeField(doc, CutField::Crossfade, u"6o");
    const StartOutcome outcome = playOrPause(doc, player);
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.status, kNumberMessage);
    EXPECT_FALSE(player.state.playing.load());

    typeField(doc, CutField::Crossfade, u"60");
    ASSERT_TRUE(playOrPause(doc, player).started);
    EXPECT_TRUE(stepBeat(doc, player, +1).started);
    EXPECT_EQ(doc.view.playhead, 0.5);
    // A seek with a field that does not read still moves the playhead, and says why it stopped.
    typeField(doc, CutField::Start, u"x");
    const StartOutcome seeked = seekTo(doc, player, 12.0);
    EXPECT_EQ(seeked.status, kNumberMessage);
    EXPECT_EQ(doc.view.playhead, 12.0);
    EXPECT_FALSE(player.state.playing.load());
}

TEST(Document, AnExportRemembersItsFolderAndAFailedOneSaysWhy)
{
    Document doc = loadedDocument();
    Result exported{ExportOutcome{"/salida/cancion-20261210-120000"}, {}, false};
    const Notice notice = adoptResult(doc, exported);
    EXPECT_EQ(notice.status, "Exportado: /salida/cancion-20261210-120000");
    EXPECT_FALSE(notice.messageBox);
    EXPECT_EQ(doc.lastExportFolder, "/salida/cancion-20261210-120000");
    EXPECT_TRUE(songLoaded(doc)) << "an export leaves the song in place";

    Result failed{ExportOutcome{}, u"Espacio insuficiente.", false};
    EXPECT_TRUE(adoptResult(doc, failed).messageBox);
}
