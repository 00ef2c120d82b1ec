// The connection map's ring: where each beat sits, which beat a point hits,
// and the colour of a beat's dominant pitch class. Pure, so it is checked
// without a window.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "analysis/analysis_model.h"

// Centre and radius for a view of W x H logical units.
struct Ring {
    double cx = 0, cy = 0, r = 0;
};
Ring ringOf(double width, double height);

// The angle of beat i of n: beat 0 at the top, clockwise on screen.
double beatAngle(size_t i, size_t n);

// The beat at client point (x, y) in device pixels, or -1 when the point is
// more than 24 logical units off the ring or there are no beats.
int32_t beatAtPoint(double width, double height, double dpiScale, int x, int y, size_t beatCount);

// ARGB of hue h (0 ... 1) in the map's bright palette.
uint32_t hueColour(float h, uint8_t alpha);
// The beat's colour by its strongest chroma entry; kNoBeatRgb for no beat.
uint32_t beatColour(const Analysis& analysis, int64_t beat, uint8_t alpha);

// Half the drawn width of a tempo in segment digits of width 21, to centre it.
float segmentHalfWidth(std::u16string_view text);
