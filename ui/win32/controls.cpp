// The children of the main window: creation in Tab order, placement, the
// enable rules, and what they show of the document.
#include "ui/win32/controls.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <array>

#include "app/window_texts.h"
#include "base/number_format.h"
#include "ui/enable_rules.h"
#include "ui/layout.h"
#include "ui/win32/drawing.h"
#include "ui/win32/widgets.h"

#ifndef DWMWA_USE_IMMERSIVE_DARK_MODE
#define DWMWA_USE_IMMERSIVE_DARK_MODE 20
#endif

namespace {

struct ControlSpec {
    int id;
    const wchar_t* className;
    const char* text;  // UTF-8
    DWORD style;
    Slot slot;
};

constexpr DWORD kField = WS_TABSTOP | ES_AUTOHSCROLL | ES_RIGHT;

// Creation order is Tab order.
const std::array<ControlSpec, 33> kControls = {{
    {kIdOpenAudio, L"BUTTON", kOpenAudioLabel, WS_TABSTOP, Slot::OpenAudio},
    {kIdOpenSession, L"BUTTON", kOpenSessionLabel, WS_TABSTOP, Slot::OpenSession},
    {kIdSaveSession, L"BUTTON", kSaveSessionLabel, WS_TABSTOP, Slot::SaveSession},
    {kIdHelp, L"BUTTON", kHelpLabel, WS_TABSTOP, Slot::Help},
    {kIdExport, L"BUTTON", kExportLabel, WS_TABSTOP, Slot::Export},
    {0, L"STATIC", kNoSongName, SS_PATHELLIPSIS, Slot::SongName},
    {0, kMapClass, "", 0, Slot::Map},
    {0, kTimelineClass, "", 0, Slot::Timeline},
    {kIdPlay, L"BUTTON", kPlayLabel, WS_TABSTOP, Slot::Play},
    {kIdStop, L"BUTTON", kStopLabel, WS_TABSTOP, Slot::Stop},
    {kIdBeatBack, L"BUTTON", kBeatBackLabel, WS_TABSTOP, Slot::BeatBack},
    {kIdBeatForward, L"BUTTON", kBeatForwardLabel, WS_TABSTOP, Slot::BeatForward},
    {kIdOriginal, L"BUTTON", kOriginalLabel, WS_TABSTOP, Slot::ModeOriginal},
    {kIdLoop, L"BUTTON", kLoopLabel, WS_TABSTOP, Slot::ModeLoop},
    {kIdExplore, L"BUTTON", kExploreLabel, WS_TABSTOP, Slot::ModeExplore},
    {kIdMagnet, L"BUTTON", kMagnetLabel, WS_TABSTOP, Slot::Magnet},
    {kIdZoomOut, L"BUTTON", kZoomOutLabel, WS_TABSTOP, Slot::ZoomOut},
    {kIdZoomIn, L"BUTTON", kZoomInLabel, WS_TABSTOP, Slot::ZoomIn},
    {kIdList, L"LISTBOX", "",
     WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED | LBS_NOTIFY, Slot::List},
    {kIdFieldA, L"EDIT", "8.000", kField, Slot::FieldA},
    {kIdFieldB, L"EDIT", "40.000", kField, Slot::FieldB},
    {kIdFieldO, L"EDIT", "40.000", kField, Slot::FieldO},
    {kIdCrossfade, L"EDIT", "60", kField, Slot::Crossfade},
    {kIdRepetitions, L"EDIT", "2", kField, Slot::Repetitions},
    {kIdJoinTest, L"BUTTON", kJoinTestLabel, WS_TABSTOP, Slot::JoinTest},
    {kIdOutputFolder, L"BUTTON", kOutputFolderLabel, WS_TABSTOP, Slot::OutputFolder},
    {kIdShowExport, L"BUTTON", kShowExportLabel, WS_TABSTOP, Slot::ShowExport},
    {kIdTarget, L"EDIT", "", kField, Slot::Target},
    {kIdExact, L"BUTTON", kExactLabel, WS_TABSTOP, Slot::Exact},
    {kIdCancel, L"BUTTON", kCancelLabel, WS_TABSTOP, Slot::Cancel},
    {0, L"STATIC", "", SS_PATHELLIPSIS, Slot::OutputLabel},
    {0, L"STATIC", kFirstStatus, 0, Slot::StatusLabel},
    {0, PROGRESS_CLASSW, "", PBS_SMOOTH, Slot::Progress},
}};

bool ownView(const wchar_t* className)
{
    return wcscmp(className, kMapClass) == 0 || wcscmp(className, kTimelineClass) == 0;
}

// The views are handed the window's state, as the main window was.
HWND createControl(WindowState& s, int id, const wchar_t* className, const std::wstring& text, DWORD style)
{
    if (wcscmp(className, L"BUTTON") == 0)
        style |= BS_OWNERDRAW;
    HWND child = CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                 s.widgets.main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), ownView(className) ? &s : nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(s.widgets.normalFont), TRUE);
    s.widgets.controls.push_back(child);
    SetWindowTheme(child, L"DarkMode_Explorer", nullptr);
    return child;
}

HFONT makeFont(double size, double scale)
{
    return CreateFontW(-toPixels(size, scale), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, 0, L"Segoe UI");
}

} // namespace

void createControls(WindowState& s)
{
    Widgets& w = s.widgets;
    w.staticBrush = CreateSolidBrush(toColorref(kBackground));
    w.fieldBrush = CreateSolidBrush(toColorref(kFieldBackground));
    w.normalFont = makeFont(13, s.scale);
    w.smallFont = makeFont(11, s.scale);
    for (const ControlSpec& spec : kControls) {
        const std::wstring text = spec.slot == Slot::OutputLabel ? s.running->folders.outputFolder.wstring()
                                                                 : toWide(std::string_view(spec.text));
        HWND child = createControl(s, spec.id, spec.className, text, spec.style);
        switch (spec.slot) {
        case Slot::SongName: w.songLabel = child; break;
        case Slot::Map: w.map = child; break;
        case Slot::Timeline: w.timeline = child; break;
        case Slot::List: SendMessageW(child, LB_SETITEMHEIGHT, 0, static_cast<LPARAM>(44 * s.scale)); break;
        case Slot::OutputLabel:
        case Slot::StatusLabel:
            (spec.slot == Slot::OutputLabel ? w.outputLabel : w.statusLabel) = child;
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(w.smallFont), TRUE);
            break;
        case Slot::Progress:
            w.progress = child;
            // A themed bar ignores its colours and draws a light track (an
            // empty theme name still leaves Wine's theme on); unthemed, the
            // class gives itself a light static edge, which on a 3-pixel bar
            // is all one would see of it.
            SetWindowTheme(child, L" ", L" ");
            SendMessageW(child, PBM_SETBARCOLOR, 0, toColorref(Orange));
            SendMessageW(child, PBM_SETBKCOLOR, 0, toColorref(kFieldBackground));
            SetWindowLongPtrW(child, GWL_EXSTYLE, GetWindowLongPtrW(child, GWL_EXSTYLE) & ~WS_EX_STATICEDGE);
            SetWindowPos(child, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            break;
        default: break;
        }
    }
    const BOOL dark = TRUE;
    DwmSetWindowAttribute(w.main, DWMWA_USE_IMMERSIVE_DARK_MODE, &dark, sizeof dark);
    setBusy(s, false);
    layoutControls(s);
    DragAcceptFiles(w.main, TRUE);
}

void layoutControls(WindowState& s)
{
    RECT client{};
    GetClientRect(s.widgets.main, &client);
    layoutControls(s, client.right, client.bottom);
}

void layoutControls(WindowState& s, int clientWidth, int clientHeight)
{
    const Widgets& w = s.widgets;
    if (!w.normalFont)
        return;
    const double scale = s.scale;
    const auto rects = layoutSlots(toLogical(clientWidth, scale), toLogical(clientHeight, scale));
    for (size_t i = 0; i < kControls.size() && i < w.controls.size(); ++i) {
        const LogicalRect& r = rects[static_cast<int>(kControls[i].slot)];
        MoveWindow(w.controls[i], toPixels(r.left, scale), toPixels(r.top, scale), toPixels(r.width, scale),
                   toPixels(r.height, scale), TRUE);
    }
    InvalidateRect(w.main, nullptr, TRUE);
}

void setBusy(WindowState& s, bool busy)
{
    const Widgets& w = s.widgets;
    s.doc.view.busy = busy;
    const EnableInputs state{busy, songLoaded(s.doc), !s.doc.lastExportFolder.empty()};
    // A disabled control keeps nobody's focus: the keys would then reach no
    // window at all, so the focus moves to the main window first.
    HWND focus = GetFocus();
    for (const ControlSpec& spec : kControls)
        if (spec.id != 0 && control(w, spec.id) == focus && !controlEnabled(spec.id, state))
            SetFocus(w.main);
    for (const ControlSpec& spec : kControls)
        if (spec.id != 0)
            EnableWindow(control(w, spec.id), controlEnabled(spec.id, state));
    if (busy) {
        SendMessageW(w.progress, PBM_SETPOS, 0, 0);
        SetTimer(w.main, kJobWatchTimer, kJobWatchTimerMs, nullptr);
    } else {
        KillTimer(w.main, kJobWatchTimer);
    }
}

ButtonLook buttonLook(const WindowState& s)
{
    const PlaybackState& playback = s.running->player.state;
    return ButtonLook{playback.playing.load() && !playback.paused.load(), s.doc.view.mode, s.doc.magnet,
                      s.doc.entry.exact};
}

void refreshViews(WindowState& s)
{
    const Widgets& w = s.widgets;
    for (HWND window : {w.main, w.timeline, w.map})
        if (window)
            InvalidateRect(window, nullptr, FALSE);
    // The buttons that show state repaint only when it changed: the timer
    // refreshes 30 times a second, and their look changes a few times a song.
    const ButtonLook look = buttonLook(s);
    if (look == s.buttonLook)
        return;
    s.buttonLook = look;
    for (int id : {kIdPlay, kIdOriginal, kIdLoop, kIdExplore, kIdMagnet})
        if (HWND button = control(w, id))
            InvalidateRect(button, nullptr, FALSE);
}

namespace {

constexpr std::array<int, kCutFieldCount> kFieldIds = {kIdFieldA, kIdFieldB, kIdFieldO, kIdCrossfade, kIdRepetitions};

} // namespace

std::optional<CutField> cutFieldOf(int id)
{
    for (size_t i = 0; i < kFieldIds.size(); ++i)
        if (kFieldIds[i] == id)
            return static_cast<CutField>(i);
    return std::nullopt;
}

void showEntry(WindowState& s)
{
    const Widgets& w = s.widgets;
    s.settingFields = true;
    for (size_t i = 0; i < kFieldIds.size(); ++i) {
        const TypedNumber& number = s.doc.entry.fields[i];
        // A field that does not read keeps the user's text to mend.
        if (number.readable)
            setFieldText(w, kFieldIds[i], toWide(shownText(static_cast<CutField>(i), number.value)));
    }
    // The target field is rewritten only when it no longer reads as the
    // document's target (an opened session), never under the user's typing.
    const TypedTarget& target = s.doc.entry.target;
    const TypedTarget shown = readTypedTarget(fieldText(w, kIdTarget));
    if (target.readable && (!shown.readable || shown.seconds != target.seconds))
        setFieldText(w, kIdTarget, target.seconds ? toWide(shownTargetText(*target.seconds)) : std::wstring());
    s.settingFields = false;
    SendMessageW(control(w, kIdList), LB_SETCURSEL, static_cast<WPARAM>(s.doc.candidate), 0);
    if (HWND exact = control(w, kIdExact))
        InvalidateRect(exact, nullptr, FALSE);
    if (w.timeline)
        InvalidateRect(w.timeline, nullptr, FALSE);
}

void showRepetitions(WindowState& s)
{
    const TypedNumber& repetitions = fieldOf(s.doc.entry, CutField::Repetitions);
    const TypedNumber shown = readTyped(fieldText(s.widgets, kIdRepetitions));
    if (!repetitions.readable || (shown.readable && shown.value == repetitions.value))
        return;
    s.settingFields = true;
    setFieldText(s.widgets, kIdRepetitions, toWide(shownText(CutField::Repetitions, repetitions.value)));
    s.settingFields = false;
}
