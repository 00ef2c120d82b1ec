// Start-up, the message loop and the main window procedure.
#include "ui/win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cmath>
#include <stdexcept>

#include "base/audio_constants.h"
#include "base/cancel.h"
#include "app/window_texts.h"
#include "ui/layout.h"
#include "ui/model_texts.h"
#include "ui/win32/commands.h"
#include "ui/win32/drawing.h"
#include "ui/win32/paint.h"
#include "analysis/model_identity.h"
#include "analysis/neural_engine.h"

namespace {

WindowState state;
Running* noRunning = nullptr;
ULONG_PTR gdiplusToken = 0;

LRESULT onCommand(WPARAM wParam)
{
    WindowState& s = ui();
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    // Code 1 is also the list's selection change. An owner-drawn button
    // reports the second click of a double click apart; a check box takes
    // it as a click of its own.
    if (code == 0 || code == 1 || (code == BN_DOUBLECLICKED && id == kIdExact)) {
        runCommand(id);
    } else if (code == EN_CHANGE) {
        const std::optional<CutField> field = cutFieldOf(id);
        if (!s.settingFields && field) {
            typeField(s.doc, *field, fieldText(id));
            SendMessageW(control(kIdList), LB_SETCURSEL, static_cast<WPARAM>(s.doc.candidate), 0);
            showRepetitions();
        } else if (!s.settingFields && id == kIdTarget) {
            typeTarget(s.doc, fieldText(id));
            showRepetitions();
        }
        refreshViews();
    }
    return 0;
}

void onDropFiles(HDROP drop)
{
    std::wstring name(32768, L'\0');
    const UINT length = DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size()));
    DragFinish(drop);
    if (length == 0 || ui().doc.view.busy)
        return;
    name.resize(length);
    ui().doc.sessionToRestore.reset();
    openSong(std::filesystem::path(name));
}

void onClose()
{
    WindowState& s = ui();
    if (!s.doc.view.busy) {
        DestroyWindow(s.main);
        return;
    }
    s.doc.closePending = true;
    cancelFlag.exchange(true);
    setStatus(toWide(std::string(kClosingStatus)));
}

constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

PixelRect workArea()
{
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return {work.left, work.top, static_cast<int>(work.right - work.left), static_cast<int>(work.bottom - work.top)};
}

// The main window's caption and borders, in pixels.
PixelSize frameSize()
{
    RECT frame{};
    AdjustWindowRectEx(&frame, kMainStyle, FALSE, WS_EX_CONTROLPARENT);
    return {static_cast<int>(frame.right - frame.left), static_cast<int>(frame.bottom - frame.top)};
}

void registerClass(const wchar_t* name, UINT style, WNDPROC procedure, LPCWSTR cursor, HICON icon)
{
    WNDCLASSW wc{};
    wc.style = style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, cursor);
    wc.hIcon = icon;
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

} // namespace

WindowState& ui()
{
    return state;
}

bool audioLoaded()
{
    return songLoaded(ui().doc);
}

Player& player()
{
    return ui().running->player;
}

HWND startWindow(Running& running, Seams seams, int showCommand)
{
    state = WindowState{};
    state.running = &running;
    state.seams = std::move(seams);
    INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&common);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
    // A work area too small for the layout at the system's DPI (150 % on a
    // 1080-line laptop) draws everything a little smaller rather than off screen.
    dpiScale = fittingScale(workArea(), static_cast<int>(GetDpiForSystem()), frameSize());
    // Read once: the model file only changes while the program is closed.
    state.doc.model = installedModelKind(installFolder() / kModelFileName);
    state.mapCaption = toWide(mapCaption(state.doc.model));

    registerClass(L"TamrelWave", 0, timelineProc, IDC_CROSS, nullptr);
    registerClass(L"TamrelGraph", CS_DBLCLKS, mapProc, IDC_CROSS, nullptr);
    registerClass(L"TamrelOrvane", CS_DBLCLKS, mainWindowProc, IDC_ARROW,
                  LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));

    const PixelRect r = initialWindowRect(workArea(), dpiScale);
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, L"TamrelOrvane", kProgramTitle, kMainStyle, r.left, r.top,
                                  r.width, r.height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window)
        throw std::runtime_error("No se pudo crear la ventana.");
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}

void dispatchWindowMessage(MSG& message)
{
    if (keyboardHook(message))
        return;
    if (ui().main && IsDialogMessageW(ui().main, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void runMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        dispatchWindowMessage(message);
}

void endWindow(Running& running)
{
    // The job and the audio thread end before GDI+ goes, and GDI+ before COM.
    shutdown(running);
    WindowState& s = ui();
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(s.normalFont), static_cast<HGDIOBJ>(s.smallFont),
                           static_cast<HGDIOBJ>(s.staticBrush), static_cast<HGDIOBJ>(s.fieldBrush),
                           static_cast<HGDIOBJ>(s.mapLayer.bitmap)})
        if (object)
            DeleteObject(object);
    s = WindowState{};
    s.running = noRunning;
    for (const wchar_t* name : {L"TamrelOrvane", L"TamrelGraph", L"TamrelWave"})
        UnregisterClassW(name, GetModuleHandleW(nullptr));
    if (gdiplusToken) {
        Gdiplus::GdiplusShutdown(gdiplusToken);
        gdiplusToken = 0;
    }
}

void reportUnexpected()
{
    WindowState& s = ui();
    const std::wstring text = toWide(std::string(kUnexpectedErrorMessage));
    setStatus(text);
    if (s.seams.messageBox)
        s.seams.messageBox(s.main, text, MB_ICONINFORMATION);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return guarded([&] { return handleMainMessage(window, message, wParam, lParam); });
}

LRESULT handleMainMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowState& s = ui();
    switch (message) {
    case WM_CREATE:
        s.main = window;
        s.running->jobs.mainWindow = reinterpret_cast<platform::WindowHandle>(window);
        createControls();
        return 0;
    case WM_DESTROY:
        stopPlayback(player(), s.doc.view.playhead);
        KillTimer(window, kPlaybackTimer);
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        layoutControls(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        paintMainWindow(window);
        return 0;
    case WM_PRINTCLIENT:
        paintMainWindow(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_CLOSE:
        onClose();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        const PixelSize least = minimumWindowSize(workArea(), dpiScale, frameSize());
        info->ptMinTrackSize.x = least.width;
        info->ptMinTrackSize.y = least.height;
        return 0;
    }
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(toPixels(44, dpiScale));
        return 1;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID == kIdList)
            paintListEntry(*item);
        else
            paintButton(*item);
        return 1;
    }
    case WM_COMMAND:
        return onCommand(wParam);
    case WM_TIMER:
        if (wParam == kPlaybackTimer)
            onPlaybackTimer();
        else if (wParam == kJobWatchTimer)
            checkLostResult();
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(29, 33, 41));
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(226, 231, 242));
        return reinterpret_cast<LRESULT>(s.fieldBrush);
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(15, 17, 22));
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(128, 140, 158));
        return reinterpret_cast<LRESULT>(s.staticBrush);
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_APP + 1:
        adoptResult(reinterpret_cast<void*>(lParam));
        return 0;
    case WM_APP + 2:
        showProgress(reinterpret_cast<void*>(lParam));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
