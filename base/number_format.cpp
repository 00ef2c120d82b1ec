#include "base/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

std::u16string widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace

// Exact halves round away from zero, as people round and as the window has
// always shown them (16.25 s reads 16.3 s); everything else is the correctly
// rounded value. A double is a tie only when its exact decimal expansion ends
// in a 5 one place past the last decimal, and the 40 digits after that place
// show any value near a tie that is not one.
std::u16string formatFixed(double x, int decimals)
{
    decimals = std::clamp(decimals, 0, 20);
    if (!std::isfinite(x))
        return widen(std::isnan(x) ? "nan" : (x < 0 ? "-inf" : "inf"));
    char wide[400];
    const auto exact = std::to_chars(wide, wide + sizeof wide, x, std::chars_format::fixed, decimals + 41);
    const std::string_view expansion(wide, static_cast<size_t>(exact.ptr - wide));
    const std::string_view past = expansion.substr(expansion.find('.') + 1 + static_cast<size_t>(decimals));
    const bool tie = past.front() == '5' && past.find_first_not_of('0', 1) == std::string_view::npos;

    char text[400];
    const auto end = std::to_chars(text, text + sizeof text, x, std::chars_format::fixed, decimals).ptr;
    std::string rounded(text, end);
    // The correctly rounded tie went to the even neighbour; step to the one away from zero.
    const std::string_view kept = expansion.substr(0, rounded.size());
    if (tie && rounded == kept) {
        size_t i = rounded.size();
        while (i > 0) {
            char& digit = rounded[--i];
            if (digit == '.' || digit == '-')
                continue;
            if (digit != '9') {
                ++digit;
                break;
            }
            digit = '0';
            if (i == 0 || (i == 1 && rounded[0] == '-'))
                rounded.insert(i, 1, '1');
        }
    }
    return widen(rounded);
}

std::u16string formatClock(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0.0)
        seconds = 0.0;
    const auto whole = static_cast<int64_t>(seconds);
    const auto millis = static_cast<int64_t>(seconds * 1000.0) % 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld.%03lld", static_cast<long long>(whole / 60),
                  static_cast<long long>(whole % 60), static_cast<long long>(millis));
    return widen(text);
}

std::string fixedPoint(double x, int decimals)
{
    char text[400];  // the largest double has 309 integer digits
    const auto result = std::to_chars(text, text + sizeof text, x, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}
