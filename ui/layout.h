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
    FieldO, Crossfade, Repetitions, JoinTest, OutputFolder, ShowExport, Target, Exact, Cancel, OutputLabel,
    StatusLabel, Progress, Count
};
inline constexpr int kSlotCount = static_cast<int>(Slot::Count);

// The smallest client area, in logical units, that still holds every
// control, field and label; below the design's size only the map and the
// candidate list give up room, down to this.
inline constexpr int kMinLogicalWidth = 1000;
inline constexpr int kMinLogicalHeight = 638;

// The candidate list's height: H - 610 kept within 44 (one entry) and 220,
// so the fields and buttons under it keep their place and the target row
// keeps 22 units above the cancel button until the list is down to one
// entry; below that (H < 654) only that gap shrinks, to 6 at the smallest.
int listHeight(int logicalHeight);

std::array<LogicalRect, kSlotCount> layoutSlots(int logicalWidth, int logicalHeight);

// The main window's first rectangle in pixels: 12 from the work area's
// corner, 1380 x 900 scaled, kept 24 smaller than the work area.
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
};
PixelRect initialWindowRect(const PixelRect& workArea, double dpiScale);

struct PixelSize {
    int width = 0, height = 0;
};

// The drawing scale for a window on this work area, given the system's DPI
// and the window frame's size in pixels: dpi / 96, or, when the first
// rectangle's client area cannot hold the smallest layout at that scale, the
// largest smaller DPI (not below 48) at which it can.
double fittingScale(const PixelRect& workArea, int systemDpi, PixelSize frame);

// The minimum tracking size: 1120 x 790 scaled, raised to what the smallest
// layout needs, and never larger than the first rectangle.
PixelSize minimumWindowSize(const PixelRect& workArea, double dpiScale, PixelSize frame);

// Logical units to device pixels, rounding half away from zero.
int toPixels(double logical, double dpiScale);
// Device pixels to whole logical units (truncated).
int toLogical(int pixels, double dpiScale);
