// Quoting one argument so the Windows argument splitter gives it back unchanged.
#pragma once
#include <string>
#include <string_view>

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
