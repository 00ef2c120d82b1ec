// The main window's state: one record per window, created with it by
// startWindow and owned by its caller, reached from the window procedures
// through the windows themselves (their GWLP_USERDATA). The song it shows is
// replaced only when a load result is adopted, never while a job runs or a
// song plays.
#pragma once
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/running.h"
#include "playback/playback_control.h"
#include "ui/control_ids.h"
#include "ui/waveform_peaks.h"
#include "ui/win32/text_batch.h"

inline constexpr UINT_PTR kPlaybackTimer = 1;
inline constexpr UINT kPlaybackTimerMs = 33;
// While a job runs: looks for a result the job could not post.
inline constexpr UINT_PTR kJobWatchTimer = 2;
inline constexpr UINT kJobWatchTimerMs = 250;

// The window classes: the main window and its two views.
inline constexpr const wchar_t* kMainWindowClass = L"TamrelOrvane";
inline constexpr const wchar_t* kMapClass = L"TamrelGraph";
inline constexpr const wchar_t* kTimelineClass = L"TamrelWave";

enum class DialogKind { OpenAudio, OpenSession, SaveSession };

// The parts a person answers; tests put their own in place.
struct Seams {
    std::function<int(HWND owner, const std::wstring& text, UINT style)> messageBox;
    std::function<void(HWND owner, const std::wstring& target)> shellOpen;
    // The chosen file, empty when cancelled.
    std::function<std::filesystem::path(HWND owner, DialogKind kind)> fileDialog;
    std::function<std::filesystem::path(HWND owner)> folderPicker;
    // Where a test reads the texts the paints wrote; empty in the program.
    TextSink textSink;
    // Milliseconds of a steady clock: how long the map's jump flash has shown.
    std::function<uint64_t()> milliseconds;
};

// What the play, mode and magnet buttons show.
struct ButtonLook {
    bool playing = false;  // and not paused: the pause sign
    PlaybackMode mode = PlaybackMode::Original;
    bool magnet = true;
    bool exact = false;  // the "Exacta" box's tick
    bool operator==(const ButtonLook&) const = default;
};

// The window's handles and the GDI objects its controls share.
struct Widgets {
    HWND main = nullptr, map = nullptr, timeline = nullptr, progress = nullptr;
    HWND songLabel = nullptr, outputLabel = nullptr, statusLabel = nullptr;
    std::vector<HWND> controls;  // every child, in creation (Tab) order
    HFONT normalFont = nullptr, smallFont = nullptr;
    HBRUSH staticBrush = nullptr, fieldBrush = nullptr;
};

// The timeline's view: which part of the song it shows, the marker being
// dragged, and the song's peaks, prepared when a song is adopted so that a
// paint during playback costs little.
struct TimelineState {
    double viewStart = 0.0, visibleSpan = 0.0;
    CutField dragField = CutField::Start;
    bool dragging = false;
    PeakPyramid peaks;
};

// The map's unchanging part, drawn once per song and size.
struct MapLayer {
    HBITMAP bitmap = nullptr;
    int width = 0, height = 0;
    uint64_t song = 0;
};

// The connection map's view: the beat under the mouse, the beat playing and
// the last jump the exploration took, with when it took it.
struct MapState {
    int32_t hoveredBeat = -1, lastBeat = -1, jumpFrom = -1, jumpTo = -1;
    uint64_t jumpTick = 0;
    MapLayer layer;
    // Names the model installed.
    std::wstring caption;
};

struct WindowState {
    Running* running = nullptr;
    Seams seams;
    // GetDpiForSystem() / 96, or less when the work area is too small for
    // the layout at that scale (fittingScale); fixed at start-up.
    double scale = 1.0;
    ULONG_PTR gdiplusToken = 0;
    Widgets widgets;
    Document doc;
    TimelineState timeline;
    MapState map;
    // Set while the program writes a field, so the write is not taken for typing.
    bool settingFields = false;
    ButtonLook buttonLook;
};

// The state a window of ours was created with (the main window or a view),
// or null for one that has none (yet, or any more).
inline WindowState* stateOf(HWND window)
{
    return reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// At WM_NCCREATE: the window keeps the state handed to CreateWindowExW.
inline void attachState(HWND window, LPARAM createStruct)
{
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(createStruct);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

// How the window's paints draw: at its scale, with its texts also handed to
// the test's sink when one is set.
inline PaintStyle paintStyle(const WindowState& s)
{
    return PaintStyle{s.scale, s.seams.textSink ? &s.seams.textSink : nullptr};
}
