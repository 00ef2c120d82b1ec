// The numbers typed into the window's fields (cut times, crossfade,
// repetitions): a point or a comma as decimal separator, the whole text one
// finite number.
#pragma once
#include <string_view>

#include "analysis/cut_rule.h"

inline constexpr const char* kInvalidNumberMessage =
    "Introduce numeros validos en segundos; puedes usar punto o coma decimal.";

// The field's text as a number; leading blanks, a sign and an exponent are
// allowed, nothing after the number. Throws kInvalidNumberMessage.
double readNumberField(std::u16string_view text);

// The cut record of the A, B and O fields' texts, read in that order.
Loop readCutFields(std::u16string_view start, std::u16string_view end, std::u16string_view outro);
