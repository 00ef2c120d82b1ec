// The painting vocabulary of every window: the scale, the palette, GDI+
// shapes in logical (96-DPI) units, and the segment digits.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// GDI+ wants the COM types that a lean windows.h leaves out, and min/max.
#include <objidl.h>
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

// GetDpiForSystem() / 96, or less when the work area is too small for the
// layout at that scale (fittingScale); fixed at start-up.
extern double dpiScale;

using Argb = uint32_t;
inline constexpr Argb TextColour = 0xFFE8EBF3;
inline constexpr Argb Muted = 0xFF808C9E;
inline constexpr Argb Line = 0xFF2B303B;
inline constexpr Argb Green = 0xFF51DCB3;
inline constexpr Argb Orange = 0xFFF8B14D;
inline constexpr Argb Lilac = 0xFFB191FF;

// The same colour for GDI (alpha dropped).
COLORREF toColorref(Argb argb);

using Graphics = Gdiplus::GpGraphics;

// A graphics object on dc with the world scaled by dpiScale.
Graphics* openGraphics(HDC dc, bool antiAlias);
void closeGraphics(Graphics* graphics);

void fillRect(Graphics* g, Argb argb, float x, float y, float width, float height);
void drawLine(Graphics* g, Argb argb, float width, float x1, float y1, float x2, float y2);
void drawRect(Graphics* g, Argb argb, float width, float x, float y, float w, float h, bool dotted = false);
void drawEllipse(Graphics* g, Argb argb, float width, float x, float y, float w, float h);
void fillEllipse(Graphics* g, Argb argb, float x, float y, float width, float height);
void fillPolygon(Graphics* g, Argb argb, const Gdiplus::PointF* points, int count);

void drawBezier(Graphics* g, Argb argb, float width, const Gdiplus::PointF (&points)[4]);

// Digits, "." and ":" in seven-segment style from (x, y); other characters are skipped.
void drawSegmentText(Graphics* g, std::u16string_view text, float x, float y, float dw, float dh, Argb colour);
