#include "ui/ring_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/theme.h"

Ring ringOf(double width, double height)
{
    return Ring{0.5 * width, 0.52 * height, std::max(40.0, std::min(0.43 * height, 0.42 * width))};
}

double beatAngle(size_t i, size_t n)
{
    const double turn = 2 * std::numbers::pi * static_cast<double>(i);
    return (n < 2 ? turn : turn / static_cast<double>(n)) - std::numbers::pi / 2;
}

int32_t beatAtPoint(double width, double height, double dpiScale, int x, int y, size_t beatCount)
{
    if (beatCount == 0)
        return -1;
    const Ring ring = ringOf(width, height);
    const double dx = x / dpiScale - ring.cx, dy = y / dpiScale - ring.cy;
    if (std::abs(std::hypot(dx, dy) - ring.r) > 24)
        return -1;
    double a = std::atan2(dy, dx) + std::numbers::pi / 2;
    if (a < 0)
        a += 2 * std::numbers::pi;
    const auto slot = static_cast<int64_t>(std::round(a / (2 * std::numbers::pi) * static_cast<double>(beatCount)));
    return static_cast<int32_t>(slot % static_cast<int64_t>(beatCount));
}

uint32_t hueColour(float h, uint8_t alpha)
{
    const float x = 6 * h;
    const float f = x - std::floor(x);
    const auto up = static_cast<uint32_t>(f * 150 + 80), down = static_cast<uint32_t>((1 - f) * 150 + 80);
    uint32_t r = 230, g = 80, b = 80;
    switch (static_cast<int>(x) % 6) {
    case 0: r = 230, g = up, b = 80; break;
    case 1: r = down, g = 230, b = 80; break;
    case 2: r = 80, g = 230, b = up; break;
    case 3: r = 80, g = down, b = 230; break;
    case 4: r = up, g = 80, b = 230; break;
    default: r = 230, g = 80, b = down; break;
    }
    return static_cast<uint32_t>(alpha) << 24 | r << 16 | g << 8 | b;
}

uint32_t beatColour(const Analysis& analysis, int64_t beat, uint8_t alpha)
{
    if (beat < 0 || static_cast<size_t>(beat) >= analysis.beats.size())
        return static_cast<uint32_t>(alpha) << 24 | kNoBeatRgb;
    const double* chroma = analysis.beats[static_cast<size_t>(beat)].chroma;
    const auto strongest = std::max_element(chroma, chroma + 12) - chroma;
    return hueColour(static_cast<float>(strongest) / 12, alpha);
}

float segmentHalfWidth(std::u16string_view text)
{
    float width = 0;
    for (char16_t c : text)
        width += c >= u'0' && c <= u'9' ? 25.0f : 8.0f;
    return (width - 4) / 2;
}
