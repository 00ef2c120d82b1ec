#include "ui/segment_layout.h"

std::vector<SegmentGlyph> segmentLayout(std::u16string_view text, float digitWidth)
{
    std::vector<SegmentGlyph> glyphs;
    float px = 0;
    for (char16_t c : text) {
        if (c >= u'0' && c <= u'9') {
            glyphs.push_back({c, px});
            px += digitWidth + 4;
        } else if (c == u'.' || c == u':') {
            glyphs.push_back({c, px});
            px += 8;
        }
    }
    return glyphs;
}

unsigned segmentMask(char16_t digit)
{
    static constexpr unsigned char kMasks[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    return digit >= u'0' && digit <= u'9' ? kMasks[digit - u'0'] : 0;
}
