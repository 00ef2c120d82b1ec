#include "app/number_field.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

bool isBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

[[noreturn]] void invalidNumber() { throw std::runtime_error(kInvalidNumberMessage); }

// A well-formed decimal number whose magnitude lies beyond the double range
// either way: true when it is too small to be told from zero, false when it
// is too large. Only the position of its first significant digit matters.
bool underflows(std::string_view text)
{
    size_t at = (!text.empty() && text[0] == '-') ? 1 : 0;
    long long leading = 0;  // decimal exponent of the first significant digit
    bool found = false;
    long long integerDigits = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        if (found || text[at] != '0') {
            found = true;
            ++integerDigits;
        }
    }
    if (found) leading = integerDigits - 1;
    if (at < text.size() && text[at] == '.') {
        ++at;
        for (long long place = -1; at < text.size() && isDigit(text[at]); ++at, --place) {
            if (!found && text[at] != '0') {
                found = true;
                leading = place;
            }
        }
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        const bool negative = at < text.size() && text[at] == '-';
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
        long long exponent = 0;
        for (; at < text.size() && isDigit(text[at]); ++at)
            exponent = std::min(exponent * 10 + (text[at] - '0'), 1'000'000'000LL);
        leading += negative ? -exponent : exponent;
    }
    return leading < 0;
}

} // namespace

double readNumberField(std::u16string_view text)
{
    std::string number;
    number.reserve(text.size());
    size_t at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    // A number needs only ASCII; anything else cannot belong to one.
    for (; at < text.size(); ++at) {
        const char16_t c = text[at] == u',' ? u'.' : text[at];
        if (c >= 0x80) invalidNumber();
        number.push_back(static_cast<char>(c));
    }
    std::string_view digits(number);
    if (!digits.empty() && digits[0] == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) invalidNumber();
    }
    if (digits.empty()) invalidNumber();

    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (end != digits.data() + digits.size()) invalidNumber();
    if (error == std::errc::result_out_of_range) {
        // A value too small to represent reads as zero, as the C library's conversion gives it.
        if (!underflows(digits)) invalidNumber();
        value = digits[0] == '-' ? -0.0 : 0.0;
    } else if (error != std::errc()) {
        invalidNumber();
    }
    if (!std::isfinite(value)) invalidNumber();
    return value;
}
