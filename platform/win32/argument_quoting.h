// Quoting arguments so the Windows argument splitter gives them back
// unchanged. Pure text work, so the native tests check it too.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Always quotes. A run of backslashes is doubled where a quote follows it
// (the argument's own quote or the closing one) and kept as it is elsewhere.
template <class Char>
std::basic_string<Char> quoteCommandArgument(std::basic_string_view<Char> text)
{
    std::basic_string<Char> quoted(1, Char('"'));
    size_t backslashes = 0;
    for (const Char c : text) {
        if (c == Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == Char('"'))
            quoted.append(2 * backslashes + 1, Char('\\'));
        else
            quoted.append(backslashes, Char('\\'));
        quoted.push_back(c);
        backslashes = 0;
    }
    quoted.append(2 * backslashes, Char('\\'));
    quoted.push_back(Char('"'));
    return quoted;
}

// Letters, digits and - _ . , : = never mean anything to the splitter.
template <class Char>
bool isPlainWord(std::basic_string_view<Char> text)
{
    if (text.empty())
        return false;
    for (const Char c : text) {
        const bool plain = (c >= Char('a') && c <= Char('z')) || (c >= Char('A') && c <= Char('Z')) ||
                           (c >= Char('0') && c <= Char('9')) || c == Char('-') || c == Char('_') ||
                           c == Char('.') || c == Char(',') || c == Char(':') || c == Char('=');
        if (!plain)
            return false;
    }
    return true;
}

// The arguments joined by single spaces. Plain words such as options go as
// they stand, which keeps the line readable; everything else, every path
// among it, is quoted.
template <class Char>
std::basic_string<Char> joinCommandLine(const std::vector<std::basic_string<Char>>& arguments)
{
    std::basic_string<Char> line;
    for (const auto& argument : arguments) {
        if (!line.empty())
            line.push_back(Char(' '));
        const std::basic_string_view<Char> text(argument);
        line += isPlainWord(text) ? argument : quoteCommandArgument(text);
    }
    return line;
}

} // namespace platform
