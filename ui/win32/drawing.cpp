#include "ui/win32/drawing.h"

#include "ui/segment_layout.h"

using Gdiplus::DashStyleDot;
using Gdiplus::FillModeAlternate;
using Gdiplus::FillModeWinding;
using Gdiplus::GpPath;
using Gdiplus::GpPen;
using Gdiplus::GpSolidFill;
using Gdiplus::MatrixOrderPrepend;
using Gdiplus::Ok;
using Gdiplus::PointF;
using Gdiplus::REAL;
using Gdiplus::SmoothingModeAntiAlias;
using Gdiplus::UnitWorld;
using namespace Gdiplus::DllExports;

COLORREF toColorref(Argb argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

Graphics* openGraphics(HDC dc, bool antiAlias, double scale)
{
    Graphics* graphics = nullptr;
    if (GdipCreateFromHDC(dc, &graphics) != Ok)
        return nullptr;
    GdipScaleWorldTransform(graphics, static_cast<REAL>(scale), static_cast<REAL>(scale), MatrixOrderPrepend);
    if (antiAlias)
        GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
    return graphics;
}

void closeGraphics(Graphics* graphics)
{
    if (graphics)
        GdipDeleteGraphics(graphics);
}

void fillRect(Graphics* g, Argb argb, float x, float y, float width, float height)
{
    GpSolidFill* brush = nullptr;
    if (GdipCreateSolidFill(argb, &brush) != Ok)
        return;
    GdipFillRectangle(g, brush, x, y, width, height);
    GdipDeleteBrush(brush);
}

namespace {

GpPen* makePen(Argb argb, float width, bool dotted)
{
    GpPen* pen = nullptr;
    if (GdipCreatePen1(argb, width, UnitWorld, &pen) != Ok)
        return nullptr;
    if (dotted)
        GdipSetPenDashStyle(pen, DashStyleDot);
    return pen;
}

} // namespace

void drawLine(Graphics* g, Argb argb, float width, float x1, float y1, float x2, float y2)
{
    if (GpPen* pen = makePen(argb, width, false)) {
        GdipDrawLine(g, pen, x1, y1, x2, y2);
        GdipDeletePen(pen);
    }
}

void drawRect(Graphics* g, Argb argb, float width, float x, float y, float w, float h, bool dotted)
{
    if (GpPen* pen = makePen(argb, width, dotted)) {
        GdipDrawRectangle(g, pen, x, y, w, h);
        GdipDeletePen(pen);
    }
}

void drawEllipse(Graphics* g, Argb argb, float width, float x, float y, float w, float h)
{
    if (GpPen* pen = makePen(argb, width, false)) {
        GdipDrawEllipse(g, pen, x, y, w, h);
        GdipDeletePen(pen);
    }
}

// A stroke is the fill of its outline. Emulated GDI+ strokes a translucent
// pen pixel by pixel over the curve's whole bounding box, some 6 ms a curve,
// and fills the widened outline in a twentieth of that; both look the same.
void drawBezier(Graphics* g, Argb argb, float width, const PointF (&p)[4])
{
    GpPath* path = nullptr;
    if (GdipCreatePath(FillModeWinding, &path) != Ok)
        return;
    GdipAddPathBezier(path, p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y, p[3].X, p[3].Y);
    GpPen* pen = makePen(argb, width, false);
    GpSolidFill* brush = nullptr;
    if (pen && GdipWidenPath(path, pen, nullptr, 0.25f) == Ok && GdipCreateSolidFill(argb, &brush) == Ok)
        GdipFillPath(g, brush, path);
    if (brush)
        GdipDeleteBrush(brush);
    if (pen)
        GdipDeletePen(pen);
    GdipDeletePath(path);
}

void fillEllipse(Graphics* g, Argb argb, float x, float y, float width, float height)
{
    GpSolidFill* brush = nullptr;
    if (GdipCreateSolidFill(argb, &brush) != Ok)
        return;
    GdipFillEllipse(g, brush, x, y, width, height);
    GdipDeleteBrush(brush);
}

void fillPolygon(Graphics* g, Argb argb, const PointF* points, int count)
{
    GpSolidFill* brush = nullptr;
    if (GdipCreateSolidFill(argb, &brush) != Ok)
        return;
    GdipFillPolygon(g, brush, points, count, FillModeAlternate);
    GdipDeleteBrush(brush);
}

void drawSegmentText(Graphics* g, std::u16string_view text, float x, float y, float dw, float dh, Argb colour)
{
    constexpr float t = 2.4f;
    for (const SegmentGlyph& glyph : segmentLayout(text, dw)) {
        const float px = x + glyph.x;
        if (glyph.character == u'.') {
            fillRect(g, colour, px + 1, y + dh - t, t, t);
        } else if (glyph.character == u':') {
            fillRect(g, colour, px + 1, y + 0.28f * dh, t, t);
            fillRect(g, colour, px + 1, y + 0.72f * dh, t, t);
        } else {
            const unsigned mask = segmentMask(glyph.character);
            const float half = dh / 2;
            const float seg[7][4] = {
                {px + 3, y, dw - 6, t},                    // top
                {px + dw - t, y + 3, t, half - 5},         // upper right
                {px + dw - t, y + half + 2, t, half - 5},  // lower right
                {px + 3, y + dh - t, dw - 6, t},           // bottom
                {px, y + half + 2, t, half - 5},           // lower left
                {px, y + 3, t, half - 5},                  // upper left
                {px + 3, y + half - 1.2f, dw - 6, t},      // middle
            };
            for (int s = 0; s < 7; ++s)
                fillRect(g, (mask >> s) & 1 ? colour : kUnlitSegment, seg[s][0], seg[s][1], seg[s][2], seg[s][3]);
        }
    }
}
