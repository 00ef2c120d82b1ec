#include "ui/win32/drawing.h"

using Gdiplus::DashStyleDot;
using Gdiplus::FillModeAlternate;
using Gdiplus::GpPen;
using Gdiplus::GpSolidFill;
using Gdiplus::MatrixOrderPrepend;
using Gdiplus::Ok;
using Gdiplus::PointF;
using Gdiplus::REAL;
using Gdiplus::SmoothingModeAntiAlias;
using Gdiplus::UnitWorld;
using namespace Gdiplus::DllExports;

double dpiScale = 1.0;

COLORREF toColorref(Argb argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

Graphics* openGraphics(HDC dc, bool antiAlias)
{
    Graphics* graphics = nullptr;
    if (GdipCreateFromHDC(dc, &graphics) != Ok)
        return nullptr;
    GdipScaleWorldTransform(graphics, static_cast<REAL>(dpiScale), static_cast<REAL>(dpiScale), MatrixOrderPrepend);
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
    static constexpr unsigned char kMasks[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    constexpr float t = 2.4f;
    constexpr Argb unlit = 0xFF1C222A;
    float px = x;
    for (char16_t c : text) {
        if (c >= u'0' && c <= u'9') {
            const unsigned mask = kMasks[c - u'0'];
            const float half = dh / 2;
            const float seg[7][4] = {
                {px + 3, y, dw - 6, t},                     // top
                {px + dw - t, y + 3, t, half - 5},          // upper right
                {px + dw - t, y + half + 2, t, half - 5},   // lower right
                {px + 3, y + dh - t, dw - 6, t},            // bottom
                {px, y + half + 2, t, half - 5},            // lower left
                {px, y + 3, t, half - 5},                   // upper left
                {px + 3, y + half - 1.2f, dw - 6, t},       // middle
            };
            for (int s = 0; s < 7; ++s)
                fillRect(g, (mask >> s) & 1 ? colour : unlit, seg[s][0], seg[s][1], seg[s][2], seg[s][3]);
            px += dw + 4;
        } else if (c == u'.') {
            fillRect(g, colour, px + 1, y + dh - t, t, t);
            px += 8;
        } else if (c == u':') {
            fillRect(g, colour, px + 1, y + 0.28f * dh, t, t);
            fillRect(g, colour, px + 1, y + 0.72f * dh, t, t);
            px += 8;
        }
    }
}
