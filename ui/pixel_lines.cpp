#include "ui/pixel_lines.h"

#include <algorithm>
#include <cmath>

namespace {

uint32_t blend(uint32_t under, uint32_t argb)
{
    const uint32_t a = argb >> 24;
    auto channel = [&](int shift) {
        const uint32_t s = (argb >> shift) & 0xFF, d = (under >> shift) & 0xFF;
        return ((s * a + d * (255 - a) + 127) / 255) << shift;
    };
    return 0xFF000000u | channel(16) | channel(8) | channel(0);
}

int pixel(double logical, double scale)
{
    // Far outside any image, and kept where an int holds it.
    return static_cast<int>(std::lround(std::clamp(logical * scale, -1e9, 1e9)));
}

void blendSpan(PixelImage image, int left, int right, int first, int last, uint32_t argb)
{
    left = std::max(left, 0);
    right = std::min(right, image.width);
    first = std::max(first, 0);
    last = std::min(last, image.height);
    const bool opaque = (argb >> 24) == 0xFF;
    for (int row = first; row < last; ++row) {
        uint32_t* line = image.pixels + static_cast<size_t>(row) * static_cast<size_t>(image.width);
        for (int column = left; column < right; ++column)
            line[column] = opaque ? argb : blend(line[column], argb);
    }
}

} // namespace

void blendVerticalLine(PixelImage image, double scale, double x, double top, double bottom, double lineWidth,
                       uint32_t argb)
{
    if (!image.pixels || !std::isfinite(x) || !std::isfinite(top) || !std::isfinite(bottom))
        return;
    int left = pixel(x - lineWidth / 2, scale), right = pixel(x + lineWidth / 2, scale);
    right = std::max(right, left + 1);
    int first = pixel(std::min(top, bottom), scale), last = pixel(std::max(top, bottom), scale);
    last = std::max(last, first + 1);
    blendSpan(image, left, right, first, last, argb);
}

void blendRect(PixelImage image, double scale, double x, double y, double width, double height, uint32_t argb)
{
    if (!image.pixels || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height) ||
        width <= 0 || height <= 0)
        return;
    blendSpan(image, pixel(x, scale), pixel(x + width, scale), pixel(y, scale), pixel(y + height, scale), argb);
}
