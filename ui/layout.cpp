#include "ui/layout.h"

#include <algorithm>
#include <cmath>

int listHeight(int logicalHeight)
{
    return std::clamp(logicalHeight - 610, 44, 220);
}

std::array<LogicalRect, kSlotCount> layoutSlots(int logicalWidth, int logicalHeight)
{
    const double W = logicalWidth, H = logicalHeight, L = listHeight(logicalHeight);
    std::array<LogicalRect, kSlotCount> r{};
    auto set = [&r](Slot slot, double left, double top, double width, double height) {
        r[static_cast<int>(slot)] = {left, top, width, height};
    };
    set(Slot::OpenAudio, 183, 12, 76, 27);
    set(Slot::OpenSession, 268, 12, 88, 27);
    set(Slot::SaveSession, 364, 12, 92, 27);
    set(Slot::Help, 464, 12, 50, 27);
    set(Slot::Export, W - 170, 11, 152, 29);
    set(Slot::SongName, 530, 16, std::max(50.0, W - 725), 22);
    set(Slot::Play, 20, 62, 46, 42);
    set(Slot::Stop, 74, 68, 32, 32);
    set(Slot::BeatBack, 113, 68, 32, 32);
    set(Slot::BeatForward, 151, 68, 32, 32);
    set(Slot::ModeOriginal, 20, 110, 83, 25);
    set(Slot::ModeLoop, 108, 110, 68, 25);
    set(Slot::ModeExplore, 181, 110, 87, 25);
    set(Slot::Magnet, W - 502, 110, 113, 25);
    set(Slot::ZoomOut, W - 382, 110, 28, 25);
    set(Slot::ZoomIn, W - 348, 110, 28, 25);
    set(Slot::Map, 16, 146, W - 324, H - 411);
    set(Slot::Timeline, 16, H - 245, W - 324, 171);
    set(Slot::List, W - 284, 148, 264, L);
    set(Slot::FieldA, W - 166, L + 240, 143, 27);
    set(Slot::FieldB, W - 166, L + 278, 143, 27);
    set(Slot::FieldO, W - 166, L + 316, 143, 27);
    set(Slot::Crossfade, W - 110, L + 354, 87, 25);
    set(Slot::Repetitions, W - 110, L + 389, 87, 25);
    set(Slot::JoinTest, W - 284, L + 430, 264, 30);
    set(Slot::OutputFolder, W - 284, L + 468, 129, 27);
    set(Slot::ShowExport, W - 147, L + 468, 127, 27);
    // The target row: its label is painted at the panel's left edge.
    set(Slot::Target, W - 182, L + 500, 80, 25);
    set(Slot::Exact, W - 96, L + 500, 76, 25);
    set(Slot::Cancel, W - 284, H - 63, 264, 28);
    set(Slot::OutputLabel, 18, H - 51, W - 324, 14);
    set(Slot::StatusLabel, 18, H - 28, W - 36, 21);
    set(Slot::Progress, 18, H - 35, W - 36, 3);
    return r;
}

int toPixels(double logical, double dpiScale)
{
    return static_cast<int>(std::round(logical * dpiScale));
}

int toLogical(int pixels, double dpiScale)
{
    return static_cast<int>(pixels / dpiScale);
}

PixelRect initialWindowRect(const PixelRect& workArea, double dpiScale)
{
    return {workArea.left + 12, workArea.top + 12, std::min(toPixels(1380, dpiScale), workArea.width - 24),
            std::min(toPixels(900, dpiScale), workArea.height - 24)};
}

namespace {

// The fewest pixels whose logical size is at least the given units.
int pixelsHolding(int logical, double dpiScale)
{
    int pixels = static_cast<int>(std::ceil(logical * dpiScale));
    while (toLogical(pixels, dpiScale) < logical)
        ++pixels;
    return pixels;
}

} // namespace

double fittingScale(const PixelRect& workArea, int systemDpi, PixelSize frame)
{
    // The client area of the first rectangle when the design does not fit.
    const int width = workArea.width - 24 - frame.width;
    const int height = workArea.height - 24 - frame.height;
    int dpi = systemDpi;
    while (dpi > 48 && (toLogical(width, dpi / 96.0) < kMinLogicalWidth ||
                        toLogical(height, dpi / 96.0) < kMinLogicalHeight))
        --dpi;
    return dpi / 96.0;
}

PixelSize minimumWindowSize(const PixelRect& workArea, double dpiScale, PixelSize frame)
{
    const PixelRect first = initialWindowRect(workArea, dpiScale);
    const int width = std::max(toPixels(1120, dpiScale), pixelsHolding(kMinLogicalWidth, dpiScale) + frame.width);
    const int height = std::max(toPixels(790, dpiScale), pixelsHolding(kMinLogicalHeight, dpiScale) + frame.height);
    return {std::min(width, first.width), std::min(height, first.height)};
}
