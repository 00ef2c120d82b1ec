// The main window's state: one window per process, owned by the UI thread.
// The song it shows is replaced only when a load result is adopted, never
// while a job runs or a song plays.
#pragma once
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/running.h"
#include "ui/control_ids.h"
#include "playback/playback_control.h"
#include "ui/waveform_peaks.h"

inline constexpr UINT_PTR kPlaybackTimer = 1;
inline constexpr UINT kPlaybackTimerMs = 33;
// While a job runs: looks for a result the job could not post.
inline constexpr UINT_PTR kJobWatchTimer = 2;
inline constexpr UINT kJobWatchTimerMs = 250;

enum class DialogKind { OpenAudio, OpenSession, SaveSession };

// The parts a person answers; tests put their own in place.
struct Seams {
    std::function<int(HWND owner, const std::wstring& text, UINT style)> messageBox;
    std::function<void(HWND owner, const std::wstring& target)> shellOpen;
    // The chosen file, empty when cancelled.
    std::function<std::filesystem::path(HWND owner, DialogKind kind)> fileDialog;
    std::function<std::filesystem::path(HWND owner)> folderPicker;
    // Milliseconds of a steady clock: how long the map's jump flash has shown.
    std::function<uint64_t()> milliseconds;
};
Seams systemSeams();

// What the play, mode and magnet buttons show.
struct ButtonLook {
    bool playing = false;  // and not paused: the pause sign
    PlaybackMode mode = PlaybackMode::Original;
    bool magnet = true;
    bool operator==(const ButtonLook&) const = default;
};

struct WindowState {
    Running* running = nullptr;
    Seams seams;

    HWND main = nullptr, map = nullptr, timeline = nullptr, progress = nullptr;
    HWND songLabel = nullptr, outputLabel = nullptr, statusLabel = nullptr;
    std::vector<HWND> controls;  // every child, in creation (Tab) order
    HFONT normalFont = nullptr, smallFont = nullptr;
    HBRUSH staticBrush = nullptr, fieldBrush = nullptr;

    Document doc;
    double viewStart = 0.0, visibleSpan = 0.0;
    // Set while the program writes a field, so the write is not taken for typing.
    bool settingFields = false;
    int32_t hoveredBeat = -1, lastBeat = -1, jumpFrom = -1, jumpTo = -1;
    uint64_t jumpTick = 0;
    ButtonLook buttonLook;
    CutField dragField = CutField::Start;
    bool dragging = false;
    // The map's caption names the model installed.
    std::wstring mapCaption;
    // Prepared when a song is adopted, so a paint during playback costs little.
    PeakPyramid peaks;
    // The map's unchanging part, drawn once per song and size.
    struct Layer {
        HBITMAP bitmap = nullptr;
        int width = 0, height = 0;
        uint64_t song = 0;
    } mapLayer;
};

// The one window's state.
WindowState& ui();

bool audioLoaded();
Player& player();
