// The main window under Wine: start-up, layout, loading, fields, export,
// cancellation, closing, keys and sessions, driven through its messages.
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <locale>
#include <sstream>
#include <system_error>
#include <thread>

#include "analysis/cut_rule.h"
#include "base/cancel.h"
#include "render/export_package.h"
#include "session/session_file.h"
#include "ui/layout.h"
#include "base/number_format.h"
#include "ui/win32/drawing.h"
#include "picture.h"
#include "window_fixture.h"

namespace {

const std::vector<int> kIds = {100, 101, 102, 103, 104, 105, 106, 107, 108, 110, 111, 112, 113, 114,
                               115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127};

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

// The frames of a WAV file, from its "data" chunk's size, read chunk by chunk.
int64_t wavFrames(const std::filesystem::path& file, int bytesPerFrame)
{
    const std::string bytes = fileBytes(file);
    auto u32 = [&bytes](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
        return v;
    };
    for (size_t at = 12; at + 8 <= bytes.size(); at += 8 + u32(at + 4) + (u32(at + 4) & 1))
        if (bytes.compare(at, 4, "data") == 0)
            return u32(at + 4) / bytesPerFrame;
    return -1;
}

// "Montaje mm:ss.fff" for a length in 48 kHz frames, milliseconds rounded half up.
std::wstring montageText(int64_t frames)
{
    const long long ms = (frames + 24) / 48;
    wchar_t text[40];
    swprintf(text, 40, L"Montaje %02lld:%02lld.%03lld", ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

} // namespace

TEST_F(WindowTest, StartsWithOnlyTheOpeningControlsAndTheWindowAtTheWorkArea)
{
    // The script names the DPI its prefix was given.
    if (const char* dpi = std::getenv("TAMREL_EXPECTED_DPI")) {
        EXPECT_EQ(GetDpiForSystem(), static_cast<UINT>(std::atoi(dpi)));
    }
    EXPECT_EQ(enabledIds(), (std::vector<int>{100, 101, 110, 115, 116, 121, 122, 123}));
    EXPECT_EQ(windowText(window), L"Tamrel Orvane");
    EXPECT_EQ(text(kIdOpenAudio), L"+ Audio");
    EXPECT_EQ(text(kIdBeatBack), L"|\u2039");
    EXPECT_EQ(windowText(ui().widgets.songLabel), L"Ninguna canci\u00F3n abierta");
    EXPECT_EQ(windowText(ui().widgets.outputLabel), running.folders.outputFolder.wstring());
    EXPECT_EQ(ui().widgets.controls.size(), static_cast<size_t>(kSlotCount));

    const RECT work = workArea();
    const long workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    const double system = GetDpiForSystem() / 96.0;
    RECT r{};
    GetWindowRect(window, &r);
    MINMAXINFO info{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(r.left, work.left + 12);
    EXPECT_EQ(r.top, work.top + 12);
    if (workWidth >= std::lround(1380 * system) + 24 && workHeight >= std::lround(900 * system) + 24) {
        EXPECT_EQ(ui().scale, system);
        EXPECT_EQ(r.right - r.left, std::lround(1380 * system));
        EXPECT_EQ(r.bottom - r.top, std::lround(900 * system));
        EXPECT_EQ(info.ptMinTrackSize.x, std::lround(1120 * system));
        EXPECT_EQ(info.ptMinTrackSize.y, std::lround(790 * system));
    } else {
        // As large as the work area allows, at most at the system's scale,
        // and the minimum tracking size never pushes it past that.
        EXPECT_LE(ui().scale, system);
        EXPECT_EQ(r.right - r.left, std::min(std::lround(1380 * ui().scale), workWidth - 24));
        EXPECT_EQ(r.bottom - r.top, std::min(std::lround(900 * ui().scale), workHeight - 24));
        EXPECT_LE(info.ptMinTrackSize.x, r.right - r.left);
        EXPECT_LE(info.ptMinTrackSize.y, r.bottom - r.top);
    }
}

TEST_F(WindowTest, EveryControlFollowsTheLayoutAtEachClientHeight)
{
    // The layout at 1364 x 760 logical units (the list 150 high), worked out
    // by hand from the layout's rules, in creation order.
    const std::vector<std::array<double, 4>> table = {
        {183, 12, 76, 27},     {268, 12, 88, 27},    {364, 12, 92, 27},    {464, 12, 50, 27},
        {1194, 11, 152, 29},   {530, 16, 639, 22},   {16, 146, 1040, 349}, {16, 515, 1040, 171},
        {20, 62, 46, 42},      {74, 68, 32, 32},     {113, 68, 32, 32},    {151, 68, 32, 32},
        {20, 110, 83, 25},     {108, 110, 68, 25},   {181, 110, 87, 25},   {862, 110, 113, 25},
        {982, 110, 28, 25},    {1016, 110, 28, 25},  {1080, 148, 264, 150}, {1198, 390, 143, 27},
        {1198, 428, 143, 27},  {1198, 466, 143, 27}, {1254, 504, 87, 25},  {1254, 539, 87, 25},
        {1080, 580, 264, 30},  {1080, 618, 129, 27}, {1217, 618, 127, 27}, {1182, 650, 80, 25},
        {1268, 650, 76, 25},   {1080, 697, 264, 28}, {18, 709, 1040, 14},  {18, 732, 1328, 21},
        {18, 725, 1328, 3}};
    ASSERT_EQ(ui().widgets.controls.size(), table.size());
    // Whole pixels that hold the logical size even at a scale below the system's.
    auto resize = [this](int width, int height) {
        SendMessageW(window, WM_SIZE, SIZE_RESTORED,
                     MAKELPARAM(static_cast<int>(std::ceil(width * ui().scale)),
                                static_cast<int>(std::ceil(height * ui().scale))));
    };
    resize(1364, 760);
    for (size_t i = 0; i < table.size(); ++i) {
        const RECT r = childRect(ui().widgets.controls[i]);
        const auto& want = table[i];
        EXPECT_EQ(r.left, std::lround(want[0] * ui().scale)) << "control " << i;
        EXPECT_EQ(r.top, std::lround(want[1] * ui().scale)) << "control " << i;
        EXPECT_EQ(r.right - r.left, std::lround(want[2] * ui().scale)) << "control " << i;
        EXPECT_EQ(r.bottom - r.top, std::lround(want[3] * ui().scale)) << "control " << i;
    }
    // The list follows the height between its limits; the cancel button stays 63 above the bottom.
    for (auto [height, list] : std::vector<std::pair<int, int>>{{700, 90}, {900, 220}, {665, 55}}) {
        resize(1364, height);
        const RECT listRect = childRect(control(kIdList));
        EXPECT_EQ(listRect.bottom - listRect.top, std::lround(list * ui().scale)) << height;
        EXPECT_EQ(childRect(control(kIdCancel)).top, std::lround((height - 63) * ui().scale)) << height;
    }
}

TEST_F(WindowTest, MagnetWritesTheNearestBeatAndKeysLeaveFieldsAlone)
{
    for (double t : {9.5, 10.0, 10.5, 11.0}) {
        Beat beat;
        beat.time = t;
        ui().doc.song.analysis.beats.push_back(beat);
    }
    ui().doc.view.playhead = 10.25;
    key('A');
    EXPECT_EQ(text(kIdFieldA), L"10.000000");
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdMagnet, 0), 0);
    EXPECT_FALSE(ui().doc.magnet);
    key('O');
    EXPECT_EQ(text(kIdFieldO), L"10.250000");
    // Inside a field the letter is the field's, not a cut.
    EnableWindow(control(kIdFieldB), TRUE);
    SetFocus(control(kIdFieldB));
    const std::wstring before = text(kIdFieldB);
    MSG inField{control(kIdFieldB), WM_KEYDOWN, 'B', 0, 0, {}};
    EXPECT_FALSE(keyboardHook(ui(), inField));
    EXPECT_EQ(text(kIdFieldB), before);
}

TEST_F(WindowTest, DroppedSongLoadsWithItsCandidatesAndTheFieldsKeepTheirRules)
{
    drop(demoSong());
    EXPECT_TRUE(ui().doc.view.busy);
    EXPECT_TRUE(IsWindowEnabled(control(kIdCancel)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdOpenAudio)));
    // Dropping another file while a job runs does nothing.
    drop(scratch / "other.wav");
    EXPECT_EQ(ui().doc.song.path, demoSong());
    bool progressSeen = false;
    ASSERT_TRUE(pumpUntil([&] {
        progressSeen |= SendMessageW(ui().widgets.progress, PBM_GETPOS, 0, 0) > 0;
        return !ui().doc.view.busy;
    }));
    EXPECT_TRUE(progressSeen);
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : std::string(boxes[0].begin(), boxes[0].end()));
    EXPECT_EQ(status(), L"Listo. Explora las conexiones o escucha el loop antes de exportar.");
    EXPECT_EQ(windowText(ui().widgets.songLabel), L"demo.mp3");

    const Analysis& analysis = ui().doc.song.analysis;
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
                                              117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127}));

    type(kIdCrossfade, L"80");
    type(kIdRepetitions, L"3");
    EXPECT_EQ(selection(), 1);
    type(kIdFieldA, L"9");
    EXPECT_EQ(selection(), 0);

    // Choosing a candidate writes its cuts without leaving it.
    ASSERT_GT(analysis.loops.size(), 1u) << "the demo song must offer a choice";
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kIdList, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(text(kIdFieldA), fixedText(analysis.loops[1].start));
    EXPECT_EQ(selection(), 2);
}

TEST_F(WindowTest, BadRepetitionsStopExportAndJoinTestAndAGoodExportMatchesTheDirectOne)
{
    ASSERT_TRUE(loadDemo());
    for (const wchar_t* bad : {L"0", L"101", L"2.5"}) {
        type(kIdRepetitions, bad);
        for (int id : {kIdExport, kIdJoinTest}) {
            boxes.clear();
            command(id);
            EXPECT_FALSE(ui().doc.view.busy);
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
    EXPECT_TRUE(ui().doc.view.busy);
    ASSERT_TRUE(pumpUntil([] { return !ui().doc.view.busy; }));
    ASSERT_TRUE(boxes.empty());
    const std::filesystem::path package = ui().doc.lastExportFolder;
    ASSERT_FALSE(package.empty());
    EXPECT_EQ(status(), L"Exportado: " + package.wstring());
    EXPECT_TRUE(IsWindowEnabled(control(kIdShowExport)));
    command(kIdShowExport);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], package.wstring());

    // The same cuts exported directly, as the verification run does.
    // The fields' texts, read by the C library rather than by the program.
    const Loop cuts = cutRecord(std::stod(text(kIdFieldA)), std::stod(text(kIdFieldB)), std::stod(text(kIdFieldO)));
    std::filesystem::create_directories(scratch / "direct");
    const std::filesystem::path direct =
        exportPackage(ui().doc.song.audio, ui().doc.song.analysis, cuts, 0.06, 2, scratch / "direct", ui().doc.song.path);
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
    ASSERT_TRUE(pumpUntil([] { return !ui().doc.view.busy; }));
    EXPECT_TRUE(ui().doc.song.audio.empty());
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
    ASSERT_TRUE(pumpUntil([] { return !ui().doc.view.busy; }));
    EXPECT_TRUE(ui().doc.song.audio.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(status(), toWide(std::string(kCancelledMessage)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdPlay)));
    EXPECT_EQ(enabledIds(), (std::vector<int>{100, 101, 110, 115, 116, 121, 122, 123}));
}

TEST_F(WindowTest, ClosingDuringAnAnalysisWaitsForTheJobAndLeavesNoWorkFolder)
{
    drop(demoSong());
    // Handled at once, before the job's result can be taken from the queue:
    // the job is still the window's, however fast it ends.
    SendMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(window)) << "the window waits for the job";
    EXPECT_TRUE(ui().doc.view.busy);
    EXPECT_TRUE(ui().doc.closePending);
    EXPECT_EQ(status(), L"Terminando la ventana de an\u00E1lisis antes de cerrar\u2026");
    ASSERT_TRUE(pumpUntil([this] { return !IsWindow(window); }));
    EXPECT_TRUE(boxes.empty());
    const std::filesystem::path work = running.folders.workFolder;
    closeAndEnd();
    EXPECT_FALSE(std::filesystem::exists(work));
}

TEST_F(WindowTest, KeysPlayPauseStopAndStepBeats)
{
    ASSERT_TRUE(loadDemo());
    const auto& beats = ui().doc.song.analysis.beats;
    ASSERT_GT(beats.size(), 4u);
    ui().doc.view.playhead = beats[2].time;
    key(VK_RIGHT);
    EXPECT_EQ(ui().doc.view.playhead, beats[3].time);
    key(VK_LEFT);
    key(VK_LEFT);
    EXPECT_EQ(ui().doc.view.playhead, beats[1].time);

    key(VK_SPACE);
    EXPECT_TRUE(player().state.playing.load());
    EXPECT_FALSE(player().state.paused.load());
    key(VK_SPACE);
    EXPECT_TRUE(player().state.paused.load());
    key(VK_SPACE);
    EXPECT_FALSE(player().state.paused.load());
    // The timer follows the sound.
    ASSERT_TRUE(pumpUntil([] { return ui().doc.view.playhead > 0.0 && ui().doc.view.playhead != ui().doc.song.analysis.beats[1].time; }, 10000));
    key(VK_ESCAPE);
    EXPECT_FALSE(player().state.playing.load());

    // A mode change while playing restarts in the new mode.
    key(VK_SPACE);
    command(kIdLoop);
    EXPECT_EQ(ui().doc.view.mode, PlaybackMode::Loop);
    EXPECT_TRUE(player().state.playing.load());
    command(kIdStop);
    EXPECT_FALSE(player().state.playing.load());
    command(kIdOriginal);
    EXPECT_FALSE(player().state.playing.load());
    key(VK_HOME);
    EXPECT_EQ(ui().doc.view.playhead, 0.0);
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
    EXPECT_TRUE(ui().doc.view.busy);
    ASSERT_TRUE(pumpUntil([] { return !ui().doc.view.busy; }));
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
    EXPECT_FALSE(ui().doc.view.busy);

    // Ctrl+S saves even from inside a field.
    nextFile = scratch / "again.tamrelloop";
    SetFocus(control(kIdFieldA));
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG ctrlS{control(kIdFieldA), WM_KEYDOWN, 'S', 0, 0, {}};
    EXPECT_TRUE(keyboardHook(ui(), ctrlS));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(std::filesystem::exists(nextFile));
}

TEST_F(WindowTest, OutputFolderAndHelpGoThroughTheirSeams)
{
    command(kIdOutputFolder);
    EXPECT_EQ(running.folders.outputFolder, scratch / "picked");
    EXPECT_EQ(windowText(ui().widgets.outputLabel), (scratch / "picked").wstring());
    command(kIdHelp);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(std::filesystem::path(opened[0]).filename(), "LEEME.html");
}

// A job whose thread the system refuses must leave the window as it was:
// not busy, the reason said, the song kept, and closing at once.
TEST_F(WindowTest, AJobWhoseThreadCannotStartLeavesTheWindowIdleAndClosable)
{
    ASSERT_TRUE(loadDemo());
    const std::filesystem::path song = ui().doc.song.path;
    const std::wstring songName = windowText(ui().widgets.songLabel);
    const std::vector<int> enabled = enabledIds();
    running.jobs.startThread = [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    const std::wstring unexpected = L"Ocurrio un error inesperado. Vuelve a abrir la cancion.";
    const struct {
        const char* what;
        std::function<void()> start;
    } cases[] = {
        {"export", [this] { command(kIdExport); }},
        {"load of a dropped song", [this] { drop(fixtureDir() / "demo.wav"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        c.start();
        pump();
        ASSERT_TRUE(IsWindow(window));
        EXPECT_FALSE(ui().doc.view.busy);
        EXPECT_FALSE(running.jobs.busy);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], unexpected);
        EXPECT_EQ(status(), unexpected);
        EXPECT_EQ(ui().doc.song.path, song);
        EXPECT_EQ(windowText(ui().widgets.songLabel), songName);
        EXPECT_EQ(enabledIds(), enabled);
    }
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window)) << "nothing to wait for";
}

// Nothing a message does may end the program: an exception that reaches the
// window's edge becomes the unexpected error's text, and the window goes on.
TEST_F(WindowTest, AnExceptionAtTheWindowsEdgeLeavesTheWindowAlive)
{
    ui().seams.fileDialog = [](HWND, DialogKind) -> std::filesystem::path { throw 42; };
    command(kIdOpenAudio);
    ASSERT_TRUE(IsWindow(window));
    const std::wstring unexpected = L"Ocurrio un error inesperado. Vuelve a abrir la cancion.";
    EXPECT_EQ(status(), unexpected);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], unexpected);
    // The window still takes a song.
    ASSERT_TRUE(loadDemo());
    EXPECT_EQ(status(), L"Listo. Explora las conexiones o escucha el loop antes de exportar.");
}

// After a button that a job disables had the focus (a click on "Exportar
// montaje"), the keys must still reach the window: real input, as a person
// gives it.
TEST_F(WindowTest, KeysStillWorkAfterExportingByAClick)
{
    ASSERT_TRUE(loadDemo());
    SetForegroundWindow(window);
    pump();
    RECT button{};
    GetWindowRect(control(kIdExport), &button);
    SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
    ASSERT_TRUE(pumpUntil([] { return ui().doc.view.busy; }, 10000)) << "the click did not export";
    ASSERT_TRUE(pumpUntil([] { return !ui().doc.view.busy; }));
    ASSERT_FALSE(ui().doc.lastExportFolder.empty());
    HWND focus = GetFocus();
    ASSERT_NE(focus, nullptr) << "no window has the keyboard";
    EXPECT_TRUE(IsWindowEnabled(focus));

    std::vector<DialogKind> asked;
    ui().seams.fileDialog = [&asked](HWND, DialogKind kind) {
        asked.push_back(kind);
        return std::filesystem::path();
    };
    INPUT keys[4] = {};
    for (INPUT& key : keys)
        key.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = 'S';
    keys[2].ki.wVk = 'S';
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_CONTROL;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
    ASSERT_TRUE(pumpUntil([&] { return !asked.empty(); }, 10000)) << "Ctrl+S opened no dialog";
    EXPECT_EQ(asked[0], DialogKind::SaveSession);

    INPUT space[2] = {};
    space[0].type = space[1].type = INPUT_KEYBOARD;
    space[0].ki.wVk = space[1].ki.wVk = VK_SPACE;
    space[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, space, sizeof(INPUT));
    EXPECT_TRUE(pumpUntil([] { return player().state.playing.load(); }, 10000)) << "Space did not play";
    command(kIdStop);
}

// A target typed into the panel: the repetitions and the montage line follow
// it, "Exacta" ends the exported montage on the target's frame, and
// "cortes.json" names the target and the fade-out.
TEST_F(WindowTest, ATypedTargetLeadsTheRepetitionsAndAnExactExportEndsOnIt)
{
    ASSERT_TRUE(loadDemo());
    EXPECT_EQ(text(kIdTarget), L"");
    EXPECT_EQ(text(kIdExact), L"Exacta");
    type(kIdFieldA, L"10.5");
    type(kIdFieldB, L"18.5");
    type(kIdFieldO, L"82.5");
    type(kIdRepetitions, L"2");
    // A montage of N loops: 10.5 s of start, N times 8 s, the song's end from 82.5 s.
    const int64_t song = static_cast<int64_t>(ui().doc.song.audio.size() / 2);
    auto montage = [song](int64_t n) { return 504000 + n * 384000 + (song - 3960000); };
    const Picture before = printClient(window);
    EXPECT_TRUE(before.hasText(montageText(montage(2))));
    EXPECT_TRUE(before.hasText(L"Duraci\u00F3n objetivo"));
    EXPECT_FALSE(before.hasText(L"-2.0 s"));

    // Two seconds past three loops' montage, typed to the millisecond with a comma.
    const long long targetMs = (montage(3) + 24) / 48 + 2000;
    wchar_t typed[32];
    swprintf(typed, 32, L"%lld,%03lld", targetMs / 1000, targetMs % 1000);
    type(kIdTarget, typed);
    EXPECT_EQ(text(kIdRepetitions), L"3");  // 2 s short of the target; four loops would be 6 s past it
    const Picture closest = printClient(window);
    EXPECT_TRUE(closest.hasText(montageText(montage(3))));
    EXPECT_TRUE(closest.hasText(L"-2.0 s"));

    command(kIdExact);
    EXPECT_TRUE(ui().doc.entry.exact);
    EXPECT_EQ(text(kIdRepetitions), L"4");  // the shortest montage not below the target
    const int64_t targetFrames = targetMs * 48;
    const Picture exact = printClient(window);
    EXPECT_TRUE(exact.hasText(montageText(targetFrames)));
    EXPECT_TRUE(exact.hasText(L"0.0 s"));

    command(kIdExport);
    ASSERT_TRUE(pumpUntil([] { return !ui().doc.view.busy; }));
    ASSERT_TRUE(boxes.empty()) << std::string(boxes[0].begin(), boxes[0].end());
    const std::filesystem::path package = ui().doc.lastExportFolder;
    ASSERT_FALSE(package.empty());
    EXPECT_EQ(wavFrames(package / "04-montaje.wav", 6), targetFrames);
    // The masters still add up to the montage.
    EXPECT_EQ(wavFrames(package / "01-inicio.wav", 6) + 4 * wavFrames(package / "02-loop.wav", 6) +
                  wavFrames(package / "03-final.wav", 6),
              targetFrames);
    const std::string json = fileBytes(package / "cortes.json");
    std::ostringstream keys;
    keys.imbue(std::locale::classic());
    keys << "\"targetSec\": " << std::setprecision(12) << targetMs / 1000.0 << ",\n  \"fadeOutMs\": 3000\n}";
    EXPECT_NE(json.find(keys.str()), std::string::npos) << json;
    EXPECT_NE(json.find("\"repetitions\": 4,"), std::string::npos) << json;

    // Emptied, the target gives the repetitions back to the user.
    type(kIdTarget, L"");
    type(kIdRepetitions, L"2");
    EXPECT_TRUE(printClient(window).hasText(montageText(montage(2))));
}
