// Start-up, the message loop and the main window procedure.
#include "ui/win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cmath>
#include <stdexcept>

#include "analysis/model_identity.h"
#include "analysis/neural_engine.h"
#include "app/window_texts.h"
#include "base/audio_constants.h"
#include "base/cancel.h"
#include "ui/layout.h"
#include "ui/model_texts.h"
#include "ui/win32/commands.h"
#include "ui/win32/controls.h"
#include "ui/win32/drawing.h"
#include "ui/win32/job_results.h"
#include "ui/win32/keys.h"
#include "ui/win32/main_paint.h"
#include "ui/win32/map_view.h"
#include "ui/win32/owner_draw.h"
#include "ui/win32/timeline_view.h"
#include "ui/win32/widgets.h"
#include "ui/win32/window_edge.h"

namespace {

LRESULT onCommand(WindowState& s, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    // Code 1 is also the list's selection change. An owner-drawn button
    // reports the second click of a double click apart; a check box takes
    // it as a click of its own.
    if (code == 0 || code == 1 || (code == BN_DOUBLECLICKED && id == kIdExact)) {
        runCommand(s, id);
    } else if (code == EN_CHANGE) {
        const std::optional<CutField> field = cutFieldOf(id);
        if (!s.settingFields && field) {
            typeField(s.doc, *field, fieldText(s.widgets, id));
            SendMessageW(control(s.widgets, kIdList), LB_SETCURSEL, static_cast<WPARAM>(s.doc.candidate), 0);
            showRepetitions(s);
        } else if (!s.settingFields && id == kIdTarget) {
            typeTarget(s.doc, fieldText(s.widgets, id));
            showRepetitions(s);
        }
        refreshViews(s);
    }
    return 0;
}

void onDropFiles(WindowState& s, HDROP drop)
{
    std::wstring name(32768, L'\0');
    const UINT length = DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size()));
    DragFinish(drop);
    if (length == 0 || s.doc.view.busy)
        return;
    name.resize(length);
    s.doc.sessionToRestore.reset();
    openSong(s, std::filesystem::path(name));
}

void onClose(WindowState& s)
{
    if (!s.doc.view.busy) {
        DestroyWindow(s.widgets.main);
        return;
    }
    s.doc.closePending = true;
    cancelFlag.exchange(true);
    setStatus(s.widgets, toWide(std::string_view(kClosingStatus)));
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

void endGdiplus(WindowState& s)
{
    if (s.gdiplusToken) {
        Gdiplus::GdiplusShutdown(s.gdiplusToken);
        s.gdiplusToken = 0;
    }
}

void unregisterClasses()
{
    for (const wchar_t* name : {kMainWindowClass, kMapClass, kTimelineClass})
        UnregisterClassW(name, GetModuleHandleW(nullptr));
}

LRESULT onMinMaxInfo(const WindowState& s, MINMAXINFO& info)
{
    const PixelSize least = minimumWindowSize(workArea(), s.scale, frameSize());
    info.ptMinTrackSize.x = least.width;
    info.ptMinTrackSize.y = least.height;
    return 0;
}

LRESULT onDrawItem(const WindowState& s, const DRAWITEMSTRUCT& item)
{
    if (item.CtlID == kIdList)
        paintListEntry(s.doc, paintStyle(s), item);
    else
        paintButton(buttonLook(s), paintStyle(s), item);
    return 1;
}

LRESULT colourControl(HDC dc, Argb background, Argb text, HBRUSH brush)
{
    SetBkColor(dc, toColorref(background));
    SetTextColor(dc, toColorref(text));
    return reinterpret_cast<LRESULT>(brush);
}

LRESULT handleMainMessage(WindowState& s, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        s.widgets.main = window;
        s.running->jobs.mainWindow = reinterpret_cast<platform::WindowHandle>(window);
        createControls(s);
        return 0;
    case WM_DESTROY:
        stopPlayback(s.running->player, s.doc.view.playhead);
        KillTimer(window, kPlaybackTimer);
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        layoutControls(s, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        paintMainWindow(s.doc, paintStyle(s), window);
        return 0;
    case WM_PRINTCLIENT:
        paintMainWindow(s.doc, paintStyle(s), window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_CLOSE:
        onClose(s);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETMINMAXINFO:
        return onMinMaxInfo(s, *reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(toPixels(44, s.scale));
        return 1;
    case WM_DRAWITEM:
        return onDrawItem(s, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_COMMAND:
        return onCommand(s, wParam);
    case WM_TIMER:
        if (wParam == kPlaybackTimer)
            onPlaybackTimer(s);
        else if (wParam == kJobWatchTimer)
            checkLostResult(s);
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return colourControl(reinterpret_cast<HDC>(wParam), kFieldBackground, kFieldText, s.widgets.fieldBrush);
    case WM_CTLCOLORSTATIC:
        return colourControl(reinterpret_cast<HDC>(wParam), kBackground, Muted, s.widgets.staticBrush);
    case WM_DROPFILES:
        onDropFiles(s, reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_APP + 1:
        adoptResult(s, reinterpret_cast<void*>(lParam));
        return 0;
    case WM_APP + 2:
        showProgress(s, reinterpret_cast<void*>(lParam));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

std::unique_ptr<WindowState> startWindow(Running& running, Seams seams, int showCommand)
{
    auto s = std::make_unique<WindowState>();
    s->running = &running;
    s->seams = std::move(seams);
    INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&common);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&s->gdiplusToken, &input, nullptr);
    // A work area too small for the layout at the system's DPI (150 % on a
    // 1080-line laptop) draws everything a little smaller rather than off screen.
    s->scale = fittingScale(workArea(), static_cast<int>(GetDpiForSystem()), frameSize());
    // Read once: the model file only changes while the program is closed.
    s->doc.model = installedModelKind(installFolder() / kModelFileName);
    s->map.caption = toWide(mapCaption(s->doc.model));

    registerClass(kTimelineClass, 0, timelineProc, IDC_CROSS, nullptr);
    registerClass(kMapClass, CS_DBLCLKS, mapProc, IDC_CROSS, nullptr);
    registerClass(kMainWindowClass, CS_DBLCLKS, mainWindowProc, IDC_ARROW,
                  LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));

    const PixelRect r = initialWindowRect(workArea(), s->scale);
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, toWide(std::string_view(kProgramTitleText)).c_str(),
                                  kMainStyle, r.left, r.top, r.width, r.height, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), s.get());
    if (!window) {
        unregisterClasses();
        endGdiplus(*s);
        throw std::runtime_error("No se pudo crear la ventana.");
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return s;
}

void dispatchWindowMessage(WindowState& s, MSG& message)
{
    if (keyboardHook(s, message))
        return;
    if (s.widgets.main && IsDialogMessageW(s.widgets.main, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void runMessageLoop(WindowState& s)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        dispatchWindowMessage(s, message);
}

void endWindow(std::unique_ptr<WindowState> window, Running& running)
{
    // The job and the audio thread end before GDI+ goes, and GDI+ before COM.
    shutdown(running);
    if (!window)
        return;
    WindowState& s = *window;
    // A window still standing must not reach the state once it is gone.
    for (HWND standing : {s.widgets.main, s.widgets.map, s.widgets.timeline})
        if (standing && IsWindow(standing) && stateOf(standing) == &s)
            SetWindowLongPtrW(standing, GWLP_USERDATA, 0);
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(s.widgets.normalFont), static_cast<HGDIOBJ>(s.widgets.smallFont),
                           static_cast<HGDIOBJ>(s.widgets.staticBrush), static_cast<HGDIOBJ>(s.widgets.fieldBrush),
                           static_cast<HGDIOBJ>(s.map.layer.bitmap)})
        if (object)
            DeleteObject(object);
    unregisterClasses();
    endGdiplus(s);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return atWindowEdge(window, message, wParam, lParam,
                        [&](WindowState& s) { return handleMainMessage(s, window, message, wParam, lParam); });
}
