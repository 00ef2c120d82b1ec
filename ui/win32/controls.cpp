// The children of the main window: creation in Tab order, placement, the
// enable rules, and the small operations every other part uses.
#include <windows.h>

#include <commctrl.h>
#include <dwmapi.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <array>
#include <optional>

#include "base/utf.h"
#include "ui/enable_rules.h"
#include "ui/layout.h"
#include "base/number_format.h"
#include "ui/win32/drawing.h"
#include "ui/win32/main_window.h"

#ifndef DWMWA_USE_IMMERSIVE_DARK_MODE
#define DWMWA_USE_IMMERSIVE_DARK_MODE 20
#endif

namespace {

struct ControlSpec {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    Slot slot;
};

constexpr DWORD kField = WS_TABSTOP | ES_AUTOHSCROLL | ES_RIGHT;

// Creation order is Tab order.
const std::array<ControlSpec, 33> kControls = {{
    {kIdOpenAudio, L"BUTTON", L"+ Audio", WS_TABSTOP, Slot::OpenAudio},
    {kIdOpenSession, L"BUTTON", L"Abrir sesi\u00F3n", WS_TABSTOP, Slot::OpenSession},
    {kIdSaveSession, L"BUTTON", L"Guardar sesi\u00F3n", WS_TABSTOP, Slot::SaveSession},
    {kIdHelp, L"BUTTON", L"Ayuda", WS_TABSTOP, Slot::Help},
    {kIdExport, L"BUTTON", L"Exportar montaje", WS_TABSTOP, Slot::Export},
    {0, L"STATIC", L"Ninguna canci\u00F3n abierta", SS_PATHELLIPSIS, Slot::SongName},
    {0, L"TamrelGraph", L"", 0, Slot::Map},
    {0, L"TamrelWave", L"", 0, Slot::Timeline},
    {kIdPlay, L"BUTTON", L"\u25B6", WS_TABSTOP, Slot::Play},
    {kIdStop, L"BUTTON", L"\u25A0", WS_TABSTOP, Slot::Stop},
    {kIdBeatBack, L"BUTTON", L"|\u2039", WS_TABSTOP, Slot::BeatBack},
    {kIdBeatForward, L"BUTTON", L"\u203A|", WS_TABSTOP, Slot::BeatForward},
    {kIdOriginal, L"BUTTON", L"ORIGINAL", WS_TABSTOP, Slot::ModeOriginal},
    {kIdLoop, L"BUTTON", L"LOOP", WS_TABSTOP, Slot::ModeLoop},
    {kIdExplore, L"BUTTON", L"INFINITO", WS_TABSTOP, Slot::ModeExplore},
    {kIdMagnet, L"BUTTON", L"IM\u00C1N \u00B7 BEATS", WS_TABSTOP, Slot::Magnet},
    {kIdZoomOut, L"BUTTON", L"\u2212", WS_TABSTOP, Slot::ZoomOut},
    {kIdZoomIn, L"BUTTON", L"+", WS_TABSTOP, Slot::ZoomIn},
    {kIdList, L"LISTBOX", L"",
     WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED | LBS_NOTIFY, Slot::List},
    {kIdFieldA, L"EDIT", L"8.000", kField, Slot::FieldA},
    {kIdFieldB, L"EDIT", L"40.000", kField, Slot::FieldB},
    {kIdFieldO, L"EDIT", L"40.000", kField, Slot::FieldO},
    {kIdCrossfade, L"EDIT", L"60", kField, Slot::Crossfade},
    {kIdRepetitions, L"EDIT", L"2", kField, Slot::Repetitions},
    {kIdJoinTest, L"BUTTON", L"\u266B   Escuchar las tres uniones", WS_TABSTOP, Slot::JoinTest},
    {kIdOutputFolder, L"BUTTON", L"Carpeta de salida", WS_TABSTOP, Slot::OutputFolder},
    {kIdShowExport, L"BUTTON", L"Ver exportaci\u00F3n", WS_TABSTOP, Slot::ShowExport},
    {kIdTarget, L"EDIT", L"", kField, Slot::Target},
    {kIdExact, L"BUTTON", L"Exacta", WS_TABSTOP, Slot::Exact},
    {kIdCancel, L"BUTTON", L"Cancelar an\u00E1lisis", WS_TABSTOP, Slot::Cancel},
    {0, L"STATIC", L"", SS_PATHELLIPSIS, Slot::OutputLabel},
    {0, L"STATIC", L"Arrastra una canci\u00F3n. Espacio: reproducir \u00B7 A/B: l\u00EDmites del loop \u00B7 O: final.", 0,
     Slot::StatusLabel},
    {0, PROGRESS_CLASSW, L"", PBS_SMOOTH, Slot::Progress},
}};

HWND createControl(int id, const wchar_t* className, const wchar_t* text, DWORD style)
{
    WindowState& s = ui();
    if (wcscmp(className, L"BUTTON") == 0)
        style |= BS_OWNERDRAW;
    HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, s.main,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(s.normalFont), TRUE);
    s.controls.push_back(child);
    SetWindowTheme(child, L"DarkMode_Explorer", nullptr);
    return child;
}

HFONT makeFont(double size)
{
    return CreateFontW(-toPixels(size, dpiScale), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, 0, L"Segoe UI");
}

} // namespace

void createControls()
{
    WindowState& s = ui();
    s.staticBrush = CreateSolidBrush(RGB(15, 17, 22));
    s.fieldBrush = CreateSolidBrush(RGB(29, 33, 41));
    s.normalFont = makeFont(13);
    s.smallFont = makeFont(11);
    for (const ControlSpec& spec : kControls) {
        const wchar_t* text = spec.text;
        std::wstring folder;
        if (spec.slot == Slot::OutputLabel) {
            folder = s.running->folders.outputFolder.wstring();
            text = folder.c_str();
        }
        HWND child = createControl(spec.id, spec.className, text, spec.style);
        switch (spec.slot) {
        case Slot::SongName: s.songLabel = child; break;
        case Slot::Map: s.map = child; break;
        case Slot::Timeline: s.timeline = child; break;
        case Slot::List: SendMessageW(child, LB_SETITEMHEIGHT, 0, static_cast<LPARAM>(44 * dpiScale)); break;
        case Slot::OutputLabel:
        case Slot::StatusLabel:
            (spec.slot == Slot::OutputLabel ? s.outputLabel : s.statusLabel) = child;
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(s.smallFont), TRUE);
            break;
        case Slot::Progress:
            s.progress = child;
            // A themed bar ignores its colours and draws a light track (an
            // empty theme name still leaves Wine's theme on); unthemed, the
            // class gives itself a light static edge, which on a 3-pixel bar
            // is all one would see of it.
            SetWindowTheme(child, L" ", L" ");
            SendMessageW(child, PBM_SETBARCOLOR, 0, RGB(248, 177, 77));
            SendMessageW(child, PBM_SETBKCOLOR, 0, RGB(29, 33, 41));
            SetWindowLongPtrW(child, GWL_EXSTYLE, GetWindowLongPtrW(child, GWL_EXSTYLE) & ~WS_EX_STATICEDGE);
            SetWindowPos(child, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            break;
        default: break;
        }
    }
    const BOOL dark = TRUE;
    DwmSetWindowAttribute(s.main, DWMWA_USE_IMMERSIVE_DARK_MODE, &dark, sizeof dark);
    setBusy(false);
    layoutControls();
    DragAcceptFiles(s.main, TRUE);
}

void layoutControls()
{
    RECT client{};
    GetClientRect(ui().main, &client);
    layoutControls(client.right, client.bottom);
}

void layoutControls(int clientWidth, int clientHeight)
{
    WindowState& s = ui();
    if (!s.normalFont)
        return;
    const auto rects = layoutSlots(toLogical(clientWidth, dpiScale), toLogical(clientHeight, dpiScale));
    for (size_t i = 0; i < kControls.size() && i < s.controls.size(); ++i) {
        const LogicalRect& r = rects[static_cast<int>(kControls[i].slot)];
        MoveWindow(s.controls[i], toPixels(r.left, dpiScale), toPixels(r.top, dpiScale), toPixels(r.width, dpiScale),
                   toPixels(r.height, dpiScale), TRUE);
    }
    InvalidateRect(s.main, nullptr, TRUE);
}

void setBusy(bool busy)
{
    WindowState& s = ui();
    s.doc.view.busy = busy;
    const EnableInputs state{busy, audioLoaded(), !s.doc.lastExportFolder.empty()};
    // A disabled control keeps nobody's focus: the keys would then reach no
    // window at all, so the focus moves to the main window first.
    HWND focus = GetFocus();
    for (const ControlSpec& spec : kControls)
        if (spec.id != 0 && control(spec.id) == focus && !controlEnabled(spec.id, state))
            SetFocus(s.main);
    for (const ControlSpec& spec : kControls)
        if (spec.id != 0)
            EnableWindow(control(spec.id), controlEnabled(spec.id, state));
    if (busy) {
        SendMessageW(s.progress, PBM_SETPOS, 0, 0);
        SetTimer(s.main, kJobWatchTimer, kJobWatchTimerMs, nullptr);
    } else {
        KillTimer(s.main, kJobWatchTimer);
    }
}

void refreshViews()
{
    WindowState& s = ui();
    for (HWND window : {s.main, s.timeline, s.map})
        if (window)
            InvalidateRect(window, nullptr, FALSE);
    // The buttons that show state repaint only when it changed: the timer
    // refreshes 30 times a second, and their look changes a few times a song.
    const PlaybackState& playback = player().state;
    const ButtonLook look{playback.playing.load() && !playback.paused.load(), s.doc.view.mode, s.doc.magnet};
    if (look == s.buttonLook)
        return;
    s.buttonLook = look;
    for (int id : {kIdPlay, kIdOriginal, kIdLoop, kIdExplore, kIdMagnet})
        if (HWND button = control(id))
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

void showEntry()
{
    WindowState& s = ui();
    s.settingFields = true;
    for (size_t i = 0; i < kFieldIds.size(); ++i) {
        const TypedNumber& number = s.doc.entry.fields[i];
        // A field that does not read keeps the user's text to mend.
        if (number.readable)
            setFieldText(kFieldIds[i], toWide(shownText(static_cast<CutField>(i), number.value)));
    }
    // The target field is rewritten only when it no longer reads as the
    // document's target (an opened session), never under the user's typing.
    const TypedTarget& target = s.doc.entry.target;
    const TypedTarget shown = readTypedTarget(fieldText(kIdTarget));
    if (target.readable && (!shown.readable || shown.seconds != target.seconds))
        setFieldText(kIdTarget, target.seconds ? toWide(shownTargetText(*target.seconds)) : std::wstring());
    s.settingFields = false;
    SendMessageW(control(kIdList), LB_SETCURSEL, static_cast<WPARAM>(s.doc.candidate), 0);
    if (HWND exact = control(kIdExact))
        InvalidateRect(exact, nullptr, FALSE);
    if (s.timeline)
        InvalidateRect(s.timeline, nullptr, FALSE);
}

void showRepetitions()
{
    WindowState& s = ui();
    const TypedNumber& repetitions = fieldOf(s.doc.entry, CutField::Repetitions);
    const TypedNumber shown = readTyped(fieldText(kIdRepetitions));
    if (!repetitions.readable || (shown.readable && shown.value == repetitions.value))
        return;
    s.settingFields = true;
    setFieldText(kIdRepetitions, toWide(shownText(CutField::Repetitions, repetitions.value)));
    s.settingFields = false;
}

void setStatus(const std::wstring& text)
{
    SetWindowTextW(ui().statusLabel, text.c_str());
}

HWND control(int id)
{
    return ui().main ? GetDlgItem(ui().main, id) : nullptr;
}

std::wstring windowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::u16string fieldText(int id)
{
    const std::wstring text = windowText(control(id));
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

void setFieldText(int id, const std::wstring& text)
{
    SetWindowTextW(control(id), text.c_str());
}

std::wstring toWide(std::u16string_view text)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

std::wstring toWide(const std::string& utf8)
{
    return toWide(utf8ToUtf16(utf8));
}
