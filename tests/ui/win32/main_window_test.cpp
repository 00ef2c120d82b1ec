// The main window under Wine: start-up, layout, loading, fields, export,
// cancellation, closing, keys and sessions, driven through its messages.
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "analysis/cut_rule.h"
#include "base/cancel.h"
#include "render/export_package.h"
#include "session/session_file.h"
#include "ui/layout.h"
#include "ui/number_format.h"
#include "ui/win32/drawing.h"
#include "window_fixture.h"

namespace {

const std::vector<int> kIds = {100, 101, 102, 103, 104, 105, 106, 107, 108, 110, 111, 112, 113,
                               114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125};

std::vector<int> enabledIds()
{
    std::vector<int> on;
    for (int id : kIds)
        if (IsWindowEnabled(control(id)))
            on.push_back(id);
    return on;
}

std::wstring fixedText(double x)
{
    return toWide(formatFixed(x, 6));
}

std::string fileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

RECT clientRectOf(HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, ui().main, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

TEST_F(WindowTest, StartsWithOnlyTheOpeningControlsAndTheWindowAtTheWorkArea)
{
    // The script names the DPI its prefix was given.
    if (const char* dpi = std::getenv("TAMREL_EXPECTED_DPI")) {
        EXPECT_EQ(GetDpiForSystem(), static_cast<UINT>(std::atoi(dpi)));
        EXPECT_EQ(dpiScale, std::atoi(dpi) / 96.0);
    }
    EXPECT_EQ(enabledIds(), (std::vector<int>{100, 101, 110, 115, 116, 121, 122, 123}));
    EXPECT_EQ(windowText(window), L"Tamrel Orvane");
    EXPECT_EQ(text(kIdOpenAudio), L"+ Audio");
    EXPECT_EQ(text(kIdBeatBack), L"|\u2039");
    EXPECT_EQ(windowText(ui().songLabel), L"Ninguna canci\u00F3n abierta");
    EXPECT_EQ(windowText(ui().outputLabel), running.folders.outputFolder.wstring());
    EXPECT_EQ(ui().controls.size(), static_cast<size_t>(kSlotCount));

    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT r{};
    GetWindowRect(window, &r);
    const PixelRect asked = initialWindowRect(
        {work.left, work.top, static_cast<int>(work.right - work.left), static_cast<int>(work.bottom - work.top)},
        dpiScale);
    EXPECT_EQ(r.left, work.left + 12);
    EXPECT_EQ(r.top, work.top + 12);
    if (dpiScale == 1.0 && work.right - work.left >= 1404 && work.bottom - work.top >= 924) {
        EXPECT_EQ(r.right - r.left, 1380);
        EXPECT_EQ(r.bottom - r.top, 900);
    } else {
        // Never smaller than its minimum tracking size.
        EXPECT_EQ(r.right - r.left, std::max(asked.width, toPixels(1120, dpiScale)));
        EXPECT_EQ(r.bottom - r.top, std::max(asked.height, toPixels(790, dpiScale)));
    }
    MINMAXINFO info{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, toPixels(1120, dpiScale));
    EXPECT_EQ(info.ptMinTrackSize.y, toPixels(790, dpiScale));
}

TEST_F(WindowTest, EveryControlFollowsTheLayoutAtEachClientHeight)
{
    for (auto [height, list] : std::vector<std::pair<int, int>>{{700, 120}, {760, 175}, {900, 220}}) {
        const int width = 1364;
        SendMessageW(window, WM_SIZE, SIZE_RESTORED,
                     MAKELPARAM(toPixels(width, dpiScale), toPixels(height, dpiScale)));
        const auto rects = layoutSlots(width, height);
        EXPECT_EQ(rects[static_cast<int>(Slot::List)].height, list);
        for (int i = 0; i < kSlotCount; ++i) {
            const RECT r = clientRectOf(ui().controls[static_cast<size_t>(i)]);
            const LogicalRect& want = rects[static_cast<size_t>(i)];
            EXPECT_EQ(r.left, toPixels(want.left, dpiScale)) << "control " << i << " at height " << height;
            EXPECT_EQ(r.top, toPixels(want.top, dpiScale)) << "control " << i << " at height " << height;
            EXPECT_EQ(r.right - r.left, toPixels(want.width, dpiScale)) << "control " << i;
            EXPECT_EQ(r.bottom - r.top, toPixels(want.height, dpiScale)) << "control " << i;
        }
    }
}

TEST_F(WindowTest, MagnetWritesTheNearestBeatAndKeysLeaveFieldsAlone)
{
    for (double t : {9.5, 10.0, 10.5, 11.0}) {
        Beat beat;
        beat.time = t;
        ui().song.analysis.beats.push_back(beat);
    }
    ui().view.playhead = 10.25;
    key('A');
    EXPECT_EQ(text(kIdFieldA), L"10.000000");
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdMagnet, 0), 0);
    EXPECT_FALSE(ui().magnet);
    key('O');
    EXPECT_EQ(text(kIdFieldO), L"10.250000");
    // Inside a field the letter is the field's, not a cut.
    EnableWindow(control(kIdFieldB), TRUE);
    SetFocus(control(kIdFieldB));
    const std::wstring before = text(kIdFieldB);
    MSG inField{control(kIdFieldB), WM_KEYDOWN, 'B', 0, 0, {}};
    EXPECT_FALSE(keyboardHook(inField));
    EXPECT_EQ(text(kIdFieldB), before);
}

TEST_F(WindowTest, DroppedSongLoadsWithItsCandidatesAndTheFieldsKeepTheirRules)
{
    drop(demoSong());
    EXPECT_TRUE(ui().view.busy);
    EXPECT_TRUE(IsWindowEnabled(control(kIdCancel)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdOpenAudio)));
    // Dropping another file while a job runs does nothing.
    drop(scratch / "other.wav");
    EXPECT_EQ(ui().song.path, demoSong());
    bool progressSeen = false;
    ASSERT_TRUE(pumpUntil([&] {
        progressSeen |= SendMessageW(ui().progress, PBM_GETPOS, 0, 0) > 0;
        return !ui().view.busy;
    }));
    EXPECT_TRUE(progressSeen);
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : std::string(boxes[0].begin(), boxes[0].end()));
    EXPECT_EQ(status(), L"Listo. Explora las conexiones o escucha el loop antes de exportar.");
    EXPECT_EQ(windowText(ui().songLabel), L"demo.mp3");

    const Analysis& analysis = ui().song.analysis;
    ASSERT_FALSE(analysis.loops.empty());
    HWND list = control(kIdList);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), static_cast<LRESULT>(analysis.loops.size() + 1));
    wchar_t entry[16] = {};
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(std::wstring(entry), L"Manual");
    SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(std::wstring(entry), L"Loop");
    EXPECT_EQ(selection(), 1);
    EXPECT_EQ(text(kIdFieldA), fixedText(analysis.loops[0].start));
    EXPECT_EQ(text(kIdFieldB), fixedText(analysis.loops[0].end));
    EXPECT_EQ(text(kIdFieldO), fixedText(analysis.loops[0].outro));
    EXPECT_EQ(enabledIds(), (std::vector<int>{100, 101, 102, 103, 104, 105, 106, 107, 108, 110, 111, 114, 115, 116,
                                              117, 118, 119, 120, 121, 122, 123, 124, 125}));

    type(kIdCrossfade, L"80");
    type(kIdRepetitions, L"3");
    EXPECT_EQ(selection(), 1);
    type(kIdFieldA, L"9");
    EXPECT_EQ(selection(), 0);

    // Choosing a candidate writes its cuts without leaving it.
    if (analysis.loops.size() > 1) {
        SendMessageW(list, LB_SETCURSEL, 2, 0);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        EXPECT_EQ(text(kIdFieldA), fixedText(analysis.loops[1].start));
        EXPECT_EQ(selection(), 2);
    }
}

TEST_F(WindowTest, BadRepetitionsStopExportAndJoinTestAndAGoodExportMatchesTheDirectOne)
{
    ASSERT_TRUE(loadDemo());
    for (const wchar_t* bad : {L"0", L"101", L"2.5"}) {
        type(kIdRepetitions, bad);
        for (int id : {kIdExport, kIdJoinTest}) {
            boxes.clear();
            command(id);
            EXPECT_FALSE(ui().view.busy);
            EXPECT_FALSE(player().state.playing.load());
            ASSERT_EQ(boxes.size(), 1u) << id;
            EXPECT_EQ(boxes[0], L"Elige de 1 a 100 repeticiones completas.");
        }
    }
    boxes.clear();
    type(kIdRepetitions, L"2,5x");
    command(kIdExport);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Introduce numeros validos en segundos; puedes usar punto o coma decimal.");

    boxes.clear();
    type(kIdRepetitions, L"2");
    type(kIdCrossfade, L"60");
    command(kIdShowExport);
    EXPECT_TRUE(opened.empty());
    command(kIdExport);
    EXPECT_TRUE(ui().view.busy);
    ASSERT_TRUE(pumpUntil([] { return !ui().view.busy; }));
    ASSERT_TRUE(boxes.empty());
    const std::filesystem::path package = ui().lastExportFolder;
    ASSERT_FALSE(package.empty());
    EXPECT_EQ(status(), L"Exportado: " + package.wstring());
    EXPECT_TRUE(IsWindowEnabled(control(kIdShowExport)));
    command(kIdShowExport);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], package.wstring());

    // The same cuts exported directly, as the verification run does.
    const Loop cuts = readCutFields(fieldText(kIdFieldA), fieldText(kIdFieldB), fieldText(kIdFieldO));
    std::filesystem::create_directories(scratch / "direct");
    const std::filesystem::path direct =
        exportPackage(ui().song.audio, ui().song.analysis, cuts, 0.06, 2, scratch / "direct", ui().song.path);
    size_t compared = 0;
    for (const auto& file : std::filesystem::directory_iterator(direct)) {
        EXPECT_EQ(fileBytes(file.path()), fileBytes(package / file.path().filename())) << file.path();
        ++compared;
    }
    EXPECT_EQ(compared, 11u);  // the eight masters and texts, the game loop pair and the label track

    // With good fields the join test plays.
    command(kIdJoinTest);
    EXPECT_TRUE(player().state.playing.load());
    EXPECT_EQ(status(), L"Prueba de las tres uniones del montaje");
    command(kIdStop);
}

TEST_F(WindowTest, AFileThatIsNotAudioFailsWithABoxAndLeavesNoSong)
{
    const std::filesystem::path notAudio = scratch / "nota.mp3";
    {
        std::ofstream file(notAudio, std::ios::binary);
        file << "esto no es audio";
    }
    drop(notAudio);
    ASSERT_TRUE(pumpUntil([] { return !ui().view.busy; }));
    EXPECT_TRUE(ui().song.audio.empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(status(), boxes[0]);
    EXPECT_FALSE(IsWindowEnabled(control(kIdPlay)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdExport)));
}

TEST_F(WindowTest, CancelledLoadLeavesNoSongAndNoBox)
{
    drop(demoSong());
    command(kIdCancel);
    EXPECT_EQ(status(), L"Cancelando\u2026");
    ASSERT_TRUE(pumpUntil([] { return !ui().view.busy; }));
    EXPECT_TRUE(ui().song.audio.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(status(), toWide(std::string(kCancelledMessage)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdPlay)));
    EXPECT_EQ(enabledIds(), (std::vector<int>{100, 101, 110, 115, 116, 121, 122, 123}));
}

TEST_F(WindowTest, ClosingDuringAnAnalysisWaitsForTheJobAndLeavesNoWorkFolder)
{
    drop(demoSong());
    PostMessageW(window, WM_CLOSE, 0, 0);
    pump();
    EXPECT_TRUE(IsWindow(window) || boxes.empty());
    if (IsWindow(window)) {
        EXPECT_EQ(status(), L"Terminando la ventana de an\u00E1lisis antes de cerrar\u2026");
    }
    ASSERT_TRUE(pumpUntil([this] { return !IsWindow(window); }));
    EXPECT_TRUE(boxes.empty());
    const std::filesystem::path work = running.folders.workFolder;
    closeAndEnd();
    EXPECT_FALSE(std::filesystem::exists(work));
}

TEST_F(WindowTest, KeysPlayPauseStopAndStepBeats)
{
    ASSERT_TRUE(loadDemo());
    const auto& beats = ui().song.analysis.beats;
    ASSERT_GT(beats.size(), 4u);
    ui().view.playhead = beats[2].time;
    key(VK_RIGHT);
    EXPECT_EQ(ui().view.playhead, beats[3].time);
    key(VK_LEFT);
    key(VK_LEFT);
    EXPECT_EQ(ui().view.playhead, beats[1].time);

    key(VK_SPACE);
    EXPECT_TRUE(player().state.playing.load());
    EXPECT_FALSE(player().state.paused.load());
    key(VK_SPACE);
    EXPECT_TRUE(player().state.paused.load());
    key(VK_SPACE);
    EXPECT_FALSE(player().state.paused.load());
    // The timer follows the sound.
    ASSERT_TRUE(pumpUntil([] { return ui().view.playhead > 0.0 && ui().view.playhead != ui().song.analysis.beats[1].time; }, 10000));
    key(VK_ESCAPE);
    EXPECT_FALSE(player().state.playing.load());

    // A mode change while playing restarts in the new mode.
    key(VK_SPACE);
    command(kIdLoop);
    EXPECT_EQ(ui().view.mode, PlaybackMode::Loop);
    EXPECT_TRUE(player().state.playing.load());
    command(kIdStop);
    EXPECT_FALSE(player().state.playing.load());
    command(kIdOriginal);
    EXPECT_FALSE(player().state.playing.load());
    key(VK_HOME);
    EXPECT_EQ(ui().view.playhead, 0.0);
}

TEST_F(WindowTest, SessionSavedThenOpenedRestoresCutsCrossfadeAndRepetitions)
{
    ASSERT_TRUE(loadDemo());
    type(kIdFieldA, L"8");
    type(kIdFieldB, L"40");
    type(kIdFieldO, L"60,5");
    type(kIdCrossfade, L"75");
    type(kIdRepetitions, L"3");
    nextFile = scratch / "work.tamrelloop";
    command(kIdSaveSession);
    ASSERT_TRUE(boxes.empty()) << std::string(boxes[0].begin(), boxes[0].end());
    EXPECT_EQ(status(), toWide(std::string(kSessionSavedMessage)));

    type(kIdFieldA, L"1");
    type(kIdCrossfade, L"60");
    type(kIdRepetitions, L"2");
    command(kIdOpenSession);
    EXPECT_TRUE(ui().view.busy);
    ASSERT_TRUE(pumpUntil([] { return !ui().view.busy; }));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(text(kIdFieldA), L"8.000000");
    EXPECT_EQ(text(kIdFieldB), L"40.000000");
    EXPECT_EQ(text(kIdFieldO), L"60.500000");
    EXPECT_EQ(text(kIdCrossfade), L"75");
    EXPECT_EQ(text(kIdRepetitions), L"3");
    EXPECT_EQ(selection(), 0);

    // A session whose song is gone changes nothing.
    nextFile = scratch / "gone.tamrelloop";
    {
        std::ofstream file(nextFile, std::ios::binary);
        file << "\xFF\xFE";
    }
    command(kIdOpenSession);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], toWide(std::string(kSessionSongMovedMessage)));
    EXPECT_FALSE(ui().view.busy);

    // Ctrl+S saves even from inside a field.
    nextFile = scratch / "again.tamrelloop";
    SetFocus(control(kIdFieldA));
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG ctrlS{control(kIdFieldA), WM_KEYDOWN, 'S', 0, 0, {}};
    EXPECT_TRUE(keyboardHook(ctrlS));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(std::filesystem::exists(nextFile));
}

TEST_F(WindowTest, OutputFolderAndHelpGoThroughTheirSeams)
{
    command(kIdOutputFolder);
    EXPECT_EQ(running.folders.outputFolder, scratch / "picked");
    EXPECT_EQ(windowText(ui().outputLabel), (scratch / "picked").wstring());
    command(kIdHelp);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(std::filesystem::path(opened[0]).filename(), "LEEME.html");
}
