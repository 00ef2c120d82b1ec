#include "app/duration_text.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <stdexcept>


namespace {

constexpr size_t kLongestText = 32;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

size_t digitsFrom(std::string_view text, size_t at)
{
    size_t end = at;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return end - at;
}

// The text narrowed to ASCII with a point for a comma; anything else is refused.
std::string asciiOf(std::u16string_view text)
{
    std::string out;
    for (const char16_t c : text) {
        if (c >= 0x80)
            throw std::runtime_error(kInvalidDurationMessage);
        out += c == u',' ? '.' : static_cast<char>(c);
    }
    return out;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Digits, then optionally a point and more digits; wholeDigits > 0 fixes how
// many digits come before the point.
double decimalNumber(std::string_view text, size_t wholeDigits)
{
    const size_t whole = digitsFrom(text, 0);
    const bool wholeOk = wholeDigits == 0 ? whole > 0 : whole == wholeDigits;
    bool ok = wholeOk;
    if (ok && whole < text.size())
        ok = text[whole] == '.' && digitsFrom(text, whole + 1) > 0 && whole + 1 + digitsFrom(text, whole + 1) == text.size();
    double value = 0;
    if (!ok || std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc{})
        throw std::runtime_error(kInvalidDurationMessage);
    return value;
}

// A non-negative number with leading zeros up to width digits.
std::string padded(int64_t value, size_t width)
{
    const std::string digits = std::to_string(value);
    std::string text;
    if (digits.size() < width)
        text.append(width - digits.size(), '0');
    text.append(digits);
    return text;
}

} // namespace

std::optional<double> readDurationText(std::u16string_view text)
{
    if (text.size() > kLongestText)
        throw std::runtime_error(kInvalidDurationMessage);
    const std::string ascii = asciiOf(text);
    const std::string_view body = trimmed(ascii);
    if (body.empty())
        return std::nullopt;
    double seconds = 0;
    const size_t colon = body.find(':');
    if (colon == std::string_view::npos) {
        seconds = decimalNumber(body, 0);
    } else {
        const std::string_view minutes = body.substr(0, colon);
        if (minutes.empty() || digitsFrom(minutes, 0) != minutes.size())
            throw std::runtime_error(kInvalidDurationMessage);
        const double secondsPart = decimalNumber(body.substr(colon + 1), 2);
        if (secondsPart >= 60)
            throw std::runtime_error(kInvalidDurationMessage);
        seconds = 60.0 * decimalNumber(minutes, 0) + secondsPart;
    }
    if (!(seconds > 0) || !std::isfinite(seconds))
        throw std::runtime_error(kInvalidDurationMessage);
    return seconds;
}

std::string montageClockText(int64_t frames)
{
    // Milliseconds to nearest, halves up: a frame is 1/48 ms.
    const int64_t ms = (std::max<int64_t>(frames, 0) + 24) / 48;
    std::string text = padded(ms / 60000, 2);
    text.append(1, ':').append(padded(ms / 1000 % 60, 2)).append(1, '.').append(padded(ms % 1000, 3));
    return text;
}

std::string differenceText(int64_t frames)
{
    // Tenths of a second to nearest, halves away from zero: 4800 frames each.
    const int64_t magnitude = frames < 0 ? -frames : frames;
    const int64_t tenths = (magnitude + 2400) / 4800;
    const char* sign = tenths == 0 ? "" : (frames < 0 ? "-" : "+");
    std::string text = sign;
    text.append(std::to_string(tenths / 10)).append(1, '.').append(std::to_string(tenths % 10)).append(" s");
    return text;
}
