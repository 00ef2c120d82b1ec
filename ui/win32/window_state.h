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

#include "app/running.h"
#include "app/song.h"
#include "playback/playback_control.h"
#include "ui/waveform_peaks.h"

inline constexpr int kIdOpenAudio = 100, kIdOutputFolder = 101, kIdList = 102, kIdFieldA = 103, kIdFieldB = 104,
                     kIdFieldO = 105, kIdCrossfade = 106, kIdRepetitions = 107, kIdJoinTest = 108, kIdStop = 110,
                     kIdExport = 111, kIdCancel = 112, kIdShowExport = 113, kIdSaveSession = 114,
                     kIdOpenSession = 115, kIdHelp = 116, kIdPlay = 117, kIdOriginal = 118, kIdLoop = 119,
                     kIdExplore = 120, kIdZoomIn = 121, kIdZoomOut = 122, kIdMagnet = 123, kIdBeatBack = 124,
                     kIdBeatForward = 125;
inline constexpr UINT_PTR kPlaybackTimer = 1;
inline constexpr UINT kPlaybackTimerMs = 33;

enum class DialogKind { OpenAudio, OpenSession, SaveSession };

// The parts a person answers; tests put their own in place.
struct Seams {
    std::function<int(HWND owner, const std::wstring& text, UINT style)> messageBox;
    std::function<void(HWND owner, const std::wstring& target)> shellOpen;
    // The chosen file, empty when cancelled.
    std::function<std::filesystem::path(HWND owner, DialogKind kind)> fileDialog;
    std::function<std::filesystem::path(HWND owner)> folderPicker;
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

    Song song;
    PlaybackView view;  // playhead, mode of the next start, busy
    double viewStart = 0.0, visibleSpan = 0.0;
    bool magnet = true;
    bool closePending = false;
    bool settingFields = false;
    bool restoreSessionCuts = false;
    Loop sessionCuts;
    int32_t sessionCrossfade = 60;
    int32_t sessionRepetitions = 2;
    std::filesystem::path lastExportFolder;
    int32_t hoveredBeat = -1, lastBeat = -1, jumpFrom = -1, jumpTo = -1;
    uint64_t jumpTick = 0;
    ButtonLook buttonLook;
    int32_t dragField = 0;
    bool dragging = false;
    // The header's model line before any song and the map's caption: they
    // name the model installed.
    std::wstring idleModelLine, mapCaption;
    // Prepared when a song is adopted, so a paint during playback costs little.
    PeakPyramid peaks;
    // Counts the songs adopted (and dropped), so drawings kept for one song
    // are not shown for the next.
    uint64_t songGeneration = 0;
    // The map's unchanging part, drawn once per song and size.
    struct Layer {
        HBITMAP bitmap = nullptr;
        int width = 0, height = 0;
        uint64_t song = 0;
    } mapLayer;
};

// The one window's state.
WindowState& ui();

double songDuration(const Song& song);
bool audioLoaded();
Player& player();
