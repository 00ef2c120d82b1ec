// Where the seven-segment renderer puts each character of a text: digits
// advance by their width plus 4, "." and ":" by 8, anything else is skipped.
#pragma once
#include <string_view>
#include <vector>

struct SegmentGlyph {
    char16_t character = 0;
    float x = 0;  // offset from the text's start
};

std::vector<SegmentGlyph> segmentLayout(std::u16string_view text, float digitWidth);
// The seven-segment mask of a digit: bit 0 top, 1 upper right, 2 lower right,
// 3 bottom, 4 lower left, 5 upper left, 6 middle.
unsigned segmentMask(char16_t digit);
