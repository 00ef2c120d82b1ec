// Where every control of the main window sits, in logical (96-DPI) units,
// for a client area of W x H logical units. Pure data, so it is checked
// without a window.
#pragma once
#include <array>
#include <cstdint>

struct LogicalRect {
    double left = 0, top = 0, width = 0, height = 0;
};

// The placed controls, in the order of layoutSlots' result.
enum class Slot : int {
    OpenAudio, OpenSession, SaveSession, Help, Export, SongName, Map, Timeline, Play, Stop, BeatBack,
    BeatForward, ModeOriginal, ModeLoop, ModeExplore, Magnet, ZoomOut, ZoomIn, List, FieldA, FieldB,
    FieldO, Crossfade, Repetitions, JoinTest, OutputFolder, ShowExport, Cancel, OutputLabel, StatusLabel,
    Progress, Count
};
inline constexpr int kSlotCount = static_cast<int>(Slot::Count);

// The candidate list's height: H - 585 kept within 120 ... 220.
int listHeight(int logicalHeight);

std::array<LogicalRect, kSlotCount> layoutSlots(int logicalWidth, int logicalHeight);

// The main window's first rectangle in pixels: 12 from the work area's
// corner, 1380 x 900 scaled, kept 24 smaller than the work area.
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
};
PixelRect initialWindowRect(const PixelRect& workArea, double dpiScale);

// Logical units to device pixels, rounding half away from zero.
int toPixels(double logical, double dpiScale);
// Device pixels to whole logical units (truncated).
int toLogical(int pixels, double dpiScale);
