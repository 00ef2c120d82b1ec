// The painting vocabulary of every window: GDI+ shapes in logical (96-DPI)
// units on a graphics object scaled to the window, and the segment digits.
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

#include "ui/theme.h"

// The same colour for GDI (alpha dropped).
COLORREF toColorref(Argb argb);

using Graphics = Gdiplus::GpGraphics;

// A graphics object on dc with the world scaled by scale.
Graphics* openGraphics(HDC dc, bool antiAlias, double scale);
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
