// Rectangles and vertical lines written straight into a 32-bit top-down
// pixel buffer and blended over what is there. The timeline draws thousands
// of lines per paint, far too many for one drawing call each.
#pragma once
#include <cstdint>

struct PixelImage {
    uint32_t* pixels = nullptr;  // 0xAARRGGBB, top row first
    int width = 0, height = 0;
};

// The line from (x, top) down to (x, bottom), in logical units at `scale`
// device pixels each, `lineWidth` wide, in colour argb (alpha blends it over
// the pixels). It covers at least one pixel column and one row, and nothing
// outside the image.
void blendVerticalLine(PixelImage image, double scale, double x, double top, double bottom, double lineWidth,
                       uint32_t argb);

// The rectangle (x, y, width, height) in logical units, its edges rounded to
// the nearest pixel, blended over the pixels.
void blendRect(PixelImage image, double scale, double x, double y, double width, double height, uint32_t argb);
