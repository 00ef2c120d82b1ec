// The user's actions on the window's document, without a window: typing,
// choosing candidates, adopting results, playing and sessions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/document_playback.h"
#include "app/window_texts.h"
#include "playback/virtual_device.h"
#include "support/message_of.h"
#include "support/run_program.h"

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

namespace {

constexpr const char* kDurationMessage =
    "Duracion objetivo: escribe m:ss, m:ss.fff o segundos, con punto o coma decimal.";
constexpr const char* kCutsMessage =
    "Cortes invalidos: inicio < fin del loop <= inicio del final < duracion. Fundido: 5 a 250 ms.";

// The loaded 60-second song with the cuts 8, 16 and 30 s (its second
// candidate): a montage of N loops lasts 8 + 8 N + 30 s, from 46 s (N = 1)
// to 838 s (N = 100).
Document documentWithEightSecondLoop()
{
    Document doc = loadedDocument();
    chooseCandidate(doc, 2);
    return doc;
}

} // namespace

TEST(Document, ATypedTargetMakesTheRepetitionsFollowItAndShowsTheMontage)
{
    const struct {
        std::u16string target;
        bool exact;
        double repetitions;
        std::string length;
        std::string difference;
    } cases[] = {
        {u"1:00", false, 3, "Montaje 01:02.000", "+2.0 s"},    // 54 s is 6 short, 62 s 2 long
        {u"58", false, 2, "Montaje 00:54.000", "-4.0 s"},      // 54 and 62 s equally far: the shorter
        {u"58,5", false, 3, "Montaje 01:02.000", "+3.5 s"},
        {u" 0:46 ", false, 1, "Montaje 00:46.000", "0.0 s"},
        {u"13:58", false, 100, "Montaje 13:58.000", "0.0 s"},
        {u"1:00", true, 3, "Montaje 01:00.000", "0.0 s"},      // 62 s is the shortest not below, ended at 60
        {u"58", true, 3, "Montaje 00:58.000", "0.0 s"},
        {u"1:10.250", true, 5, "Montaje 01:10.250", "0.0 s"},  // 70 s is below 70.25: 78 s, ended early
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.target.begin(), c.target.end()) + (c.exact ? " exacta" : ""));
        Document doc = documentWithEightSecondLoop();
        setExact(doc, c.exact);
        typeTarget(doc, c.target);
        EXPECT_EQ(fieldOf(doc.entry, CutField::Repetitions).value, c.repetitions);
        const MontageLine line = montageLine(doc);
        EXPECT_EQ(line.length, c.length);
        EXPECT_EQ(line.difference, c.difference);
        const ExportRequest request = checkedExport(doc);
        ASSERT_TRUE(request.target.has_value());
        EXPECT_EQ(request.target->exact, c.exact);
        EXPECT_EQ(request.settings.repetitions, c.repetitions);
    }
}

TEST(Document, TheRepetitionsFollowTheTargetWhenTheCutsOrExactaChange)
{
    Document doc = documentWithEightSecondLoop();
    typeTarget(doc, u"1:40");  // 100 s: 94 s (N = 7) is 6 short, 102 s (N = 8) 2 long
    EXPECT_EQ(fieldOf(doc.entry, CutField::Repetitions).value, 8);
    typeField(doc, CutField::End, u"18");  // a 10-second loop: 38 + 10 N, 98 s at N = 6
    EXPECT_EQ(fieldOf(doc.entry, CutField::Repetitions).value, 6);
    setExact(doc, true);  // 98 s is below 100: 108 s, ended at 100
    EXPECT_EQ(fieldOf(doc.entry, CutField::Repetitions).value, 7);
    EXPECT_EQ(montageLine(doc).length, "Montaje 01:40.000");
    placeCut(doc, CutField::End, 16.0);  // back to 8 s: 102 s is the shortest not below
    EXPECT_EQ(fieldOf(doc.entry, CutField::Repetitions).value, 8);
    chooseCandidate(doc, 1);  // 4.123457 to 20 and 40.5: 4.123457 + 15.876543 N + 19.5 s
    EXPECT_EQ(fieldOf(doc.entry, CutField::Repetitions).value, 5);  // 103.0 s, the first not below 100

    // Typing the repetitions is the user's; the export still takes the target's.
    typeField(doc, CutField::Repetitions, u"2");
    EXPECT_EQ(fieldOf(doc.entry, CutField::Repetitions).value, 2);
    EXPECT_EQ(montageLine(doc).length, "Montaje 01:40.000");

    // An empty target lets the repetitions be chosen by hand again.
    typeTarget(doc, u"");
    EXPECT_FALSE(checkedExport(doc).target.has_value());
    const MontageLine line = montageLine(doc);
    EXPECT_EQ(line.length, "Montaje 00:55.377");  // 4.123457 + 2 x 15.876543 + 19.5 = 55.376543 s
    EXPECT_EQ(line.difference, "");
}

TEST(Document, TargetsTheCutsCannotReachOrThatDoNotReadStopTheExportInThePanelsOrder)
{
    const struct {
        std::vector<std::pair<CutField, std::u16string>> fields;  // typed before the target
        std::u16string target;
        bool exact;
        std::string message;
    } cases[] = {
        {{}, u"45", false, "Duracion objetivo demasiado corta: el montaje minimo (inicio + un loop + final) dura 46.000 s."},
        {{}, u"13:58.5", false, "Duracion objetivo demasiado larga: con 100 repeticiones el montaje dura 838.000 s."},
        {{}, u"1:0", false, kDurationMessage},
        {{}, u"2.5s", true, kDurationMessage},
        // A 32-second loop and a 10-second outro: 50 s, 82 s ... 55 s falls inside the second loop pass.
        {{{CutField::End, u"40"}, {CutField::Outro, u"50"}},
         u"55",
         true,
         "No hay montaje exacto de esa duracion: cae dentro de una repeticion del loop, porque el final es mas corto "
         "que el loop. Elige otra duracion o desactiva Exacta."},
        // The cut fields speak first, the repetitions next, then the target.
        {{{CutField::Start, u"8x"}}, u"1:0", false, kNumberMessage},
        {{{CutField::End, u"3"}}, u"1:0", false, kCutsMessage},
        {{{CutField::Repetitions, u"0"}}, u"1:0", false, kRepetitionsMessage},
        {{{CutField::Repetitions, u"0"}}, u"45", false, kRepetitionsMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.target.begin(), c.target.end()));
        Document doc = documentWithEightSecondLoop();
        typeField(doc, CutField::Repetitions, u"5");
        for (const auto& [field, text] : c.fields)
            typeField(doc, field, text);
        const TypedNumber repetitions = fieldOf(doc.entry, CutField::Repetitions);
        setExact(doc, c.exact);
        typeTarget(doc, c.target);
        EXPECT_EQ(testsupport::messageOf([&] { checkedExport(doc); }), c.message);
        // Nothing to follow: the repetitions stay as they were, the line shows no difference.
        EXPECT_EQ(fieldOf(doc.entry, CutField::Repetitions).value, repetitions.value);
        EXPECT_EQ(montageLine(doc).difference, "");
    }
}

TEST(Document, TheMontageLineNeedsASongAndFieldsThatRead)
{
    Document empty;
    EXPECT_EQ(montageLine(empty).length, "");
    typeTarget(empty, u"1:00");
    EXPECT_EQ(montageLine(empty).length, "") << "no song, no montage";

    for (const auto& [field, text] : {std::pair{CutField::Start, u"x"}, {CutField::Crossfade, u""},
                                      {CutField::Repetitions, u"tres"}, {CutField::Outro, u"70"}}) {
        Document doc = documentWithEightSecondLoop();
        EXPECT_EQ(montageLine(doc).length, "Montaje 00:54.000");
        typeField(doc, field, text);
        EXPECT_EQ(montageLine(doc).length, "");
    }
}

TEST(Document, ASessionCarriesTheTargetAndOneWithoutItClearsIt)
{
    testsupport::TempFolder scratch{"document-target"};
    const std::filesystem::path& folder = scratch.path;
    const std::filesystem::path song = folder / "cancion.wav";
    { std::ofstream(song) << "RIFF"; }

    Document saved = documentWithEightSecondLoop();
    saved.song.path = song;
    setExact(saved, true);
    typeTarget(saved, u"58,25");
    std::filesystem::path output = folder / "salida";
    saveDocumentSession(saved, folder / "con-objetivo.tamrelloop", output);
    EXPECT_EQ(readIniValue(folder / "con-objetivo.tamrelloop", u"Target"), u"58.250");
    EXPECT_EQ(readIniValue(folder / "con-objetivo.tamrelloop", u"Exact"), u"1");
    typeTarget(saved, u"");
    saveDocumentSession(saved, folder / "sin-objetivo.tamrelloop", output);
    EXPECT_EQ(readIniValue(folder / "sin-objetivo.tamrelloop", u"Target"), u"");

    auto reopened = [&](const char* file, Document doc) {
        EXPECT_EQ(openDocumentSession(doc, folder / file, output), song);
        Result result = loadResult();
        EXPECT_EQ(adoptResult(doc, result).status, kReadyStatus);
        return doc;
    };
    Document withTarget = reopened("con-objetivo.tamrelloop", Document{});
    ASSERT_TRUE(withTarget.entry.target.seconds.has_value());
    EXPECT_EQ(*withTarget.entry.target.seconds, 58.25);
    EXPECT_TRUE(withTarget.entry.exact);
    EXPECT_EQ(fieldOf(withTarget.entry, CutField::Repetitions).value, 3);
    EXPECT_EQ(montageLine(withTarget).length, "Montaje 00:58.250");
    EXPECT_EQ(shownTargetText(*withTarget.entry.target.seconds), u"00:58.250");

    Document typed;
    typeTarget(typed, u"2:00");
    setExact(typed, true);
    const Document without = reopened("sin-objetivo.tamrelloop", typed);
    EXPECT_FALSE(without.entry.target.seconds.has_value());
    EXPECT_TRUE(without.entry.target.readable);
    EXPECT_FALSE(without.entry.exact);
    EXPECT_FALSE(checkedExport(without).target.has_value());
}
