#include "ui/number_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <locale>
#include <sstream>

namespace {

std::u16string widen(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace

std::u16string formatFixed(double x, int decimals)
{
    // The classic locale: the user's locale never turns the point into a comma.
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.precision(decimals);
    out << x;
    return widen(out.str());
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
